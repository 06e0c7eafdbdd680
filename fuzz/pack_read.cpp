// Fuzz target: a pack read from arbitrary bytes. Open, then Extract and
// ExtractTo of every entry; nothing may crash, hang or touch memory it does
// not own, every block handed out ends in its zero byte, no name holds a zero
// byte, and an entry ExtractTo accepts is the one Extract returns.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/byte_file.h"
#include "pack/pack_file.h"

namespace {

// A record may claim up to 4 GiB, which the pack tries to allocate as it
// should; entries above this bound are skipped so that libFuzzer's
// allocation limit measures the reader and not the claim.
constexpr uint32_t kMaxEntrySize = 64u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TPackFile pack(std::make_unique<MemoryFile>(
        std::string(reinterpret_cast<const char*>(data), size)));
    std::vector<std::string> names;
    for (TPackEntry* entry = pack.GetFirst(); entry; entry = pack.GetNext()) {
        // Such a name would be taken for a shorter one: the index is damaged.
        if (entry->name.find('\0') != std::string::npos) __builtin_trap();
        if (entry->size <= kMaxEntrySize) names.push_back(entry->name);
    }
    for (const std::string& name : names) {
        StringSink sink;
        const PackReadStatus status = pack.ExtractTo(name, sink);
        uint32_t extracted = 0;
        std::unique_ptr<uint8_t[]> block(pack.Extract(name.c_str(), true, &extracted));
        if (block && block[extracted] != 0) __builtin_trap();
        if (status == PackReadStatus::Ok &&
            (!block || pack.IsFailed() || sink.bytes.size() != extracted ||
             std::memcmp(sink.bytes.data(), block.get(), extracted) != 0))
            __builtin_trap();
    }
    return 0;
}
