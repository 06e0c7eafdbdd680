// Both decoders on arbitrary bytes, into one area and through a sink: the
// first byte chooses the codec, the next two the capacity, the rest is the
// stream. The sink must receive exactly the bytes the area does, in pieces of
// at most 256 KiB, and end with the same status.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/block_codec.h"
#include "codecs/lz_codec.h"
#include "foundation/byte_stream.h"

namespace {

class CollectingSink final : public ByteSink {
public:
    bool Write(const void* data, size_t size) override {
        if (size == 0 || size > 256 * 1024) std::abort();
        const uint8_t* const begin = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), begin, begin + size);
        return true;
    }
    std::vector<uint8_t> bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const bool block = data[0] & 1;
    const size_t capacity = data[1] | (size_t{data[2]} << 8);
    const std::string stream(reinterpret_cast<const char*>(data) + 3, size - 3);
    std::vector<uint8_t> area(capacity);
    CollectingSink sink;
    MemorySource first(stream);
    MemorySource second(stream);
    bool ok = false;
    size_t written = 0;
    if (block) {
        const CodecResult whole = decodeBlockStream(first, area.data(), capacity, nullptr);
        const CodecResult streamed = decodeBlockStreamTo(second, sink, capacity, nullptr);
        if (whole.status != streamed.status || whole.size != streamed.size) std::abort();
        ok = whole.status == CodecStatus::Ok;
        written = whole.size;
    } else {
        const CodecResult whole = lzUncompress(first, area.data(), capacity, nullptr);
        const CodecResult streamed = lzUncompressTo(second, sink, capacity, nullptr);
        if (whole.status != streamed.status || whole.size != streamed.size) std::abort();
        ok = whole.status == CodecStatus::Ok;
        written = whole.size;
    }
    // A stream that failed may keep its last bytes back; an accepted one
    // hands on everything.
    if (sink.bytes.size() > written || (ok && sink.bytes.size() != written)) std::abort();
    if (!sink.bytes.empty() && std::memcmp(sink.bytes.data(), area.data(), sink.bytes.size()) != 0)
        std::abort();
    return 0;
}
