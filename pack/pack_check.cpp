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

// The low byte of each entry of kCheckTable.
constexpr std::array<uint8_t, 256> makeLowByteTable() {
    std::array<uint8_t, 256> table{};
    for (size_t i = 0; i < 256; ++i)
        table[i] = static_cast<uint8_t>(kCheckTable[i]);
    return table;
}

constexpr std::array<uint8_t, 256> kCheckLowBytes = makeLowByteTable();

}  // namespace

// One byte b takes the state c to table[(c ^ b) & 0xFF] ^ (c >> 8). Because
// the table is built from i + 1, the step is not linear in the bits, so the
// usual ways of taking 4 or 8 bytes at once (slicing tables, carry-less
// multiplication) do not apply: every byte waits for the one before. What
// can be shortened is the wait. The next table index is
//     low byte of table[x]  ^  (byte 1 of c ^ next byte)
// and the second term does not depend on the lookup, so the loop below
// carries the index x and the state without its low byte (rest) separately:
// between two bytes there is one load from a 256-byte table and one xor,
// instead of a load, an xor, a mask and a shift. About 1.5 times as fast.
void PackCheck::Update(const void* data, size_t size) {
    if (size == 0) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t index = (state_ ^ bytes[0]) & 0xFF;
    uint32_t rest = state_ >> 8;
    for (size_t i = 1; i < size; ++i) {
        const uint32_t next = (rest ^ bytes[i]) & 0xFF;
        rest = (kCheckTable[index] ^ rest) >> 8;
        index = kCheckLowBytes[index] ^ next;
    }
    state_ = kCheckTable[index] ^ rest;
}

uint32_t packCheckValue(const void* data, size_t size) {
    PackCheck check;
    check.Update(data, size);
    return check.Value();
}
