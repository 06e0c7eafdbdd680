#include "pack/pack_check.h"

#include <array>

namespace {

// The table is built from i + 1, not i: entry 0 is the published table's
// entry 1 and entry 255 is 1. Existing packs depend on exactly this table.
constexpr std::array<uint32_t, 256> makeCheckTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t v = i + 1;
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 1) ? (v >> 1) ^ 0xEDB88320u : v >> 1;
        table[i] = v;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCheckTable = makeCheckTable();
static_assert(kCheckTable[0] == 0x77073096u && kCheckTable[255] == 1u);

}  // namespace

void PackCheck::Update(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t c = state_;
    for (size_t i = 0; i < size; ++i)
        c = kCheckTable[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    state_ = c;
}

uint32_t packCheckValue(const void* data, size_t size) {
    PackCheck check;
    check.Update(data, size);
    return check.Value();
}
