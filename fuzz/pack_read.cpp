// Fuzz target: a pack read from arbitrary bytes. Open, then Extract of every
// entry with verification; nothing may crash, hang or touch memory it does
// not own, and every block handed out ends in its zero byte.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pack/pack_file.h"

namespace {

// A record may claim up to 4 GiB, which the pack tries to allocate as it
// should; entries above this bound are skipped so that libFuzzer's
// allocation limit measures the reader and not the claim.
constexpr uint32_t kMaxEntrySize = 64u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TPackFile pack(std::make_unique<std::stringstream>(
        std::string(reinterpret_cast<const char*>(data), size)));
    std::vector<std::string> names;
    for (TPackEntry* entry = pack.GetFirst(); entry; entry = pack.GetNext()) {
        // A name with a zero byte cannot be asked for; Extract would look for
        // a disk file under its first part instead.
        if (entry->size <= kMaxEntrySize && entry->name.find('\0') == std::string::npos)
            names.push_back(entry->name);
    }
    for (const std::string& name : names) {
        uint32_t extracted = 0;
        std::unique_ptr<uint8_t[]> block(pack.Extract(name.c_str(), true, &extracted));
        if (block && block[extracted] != 0) __builtin_trap();
    }
    return 0;
}
