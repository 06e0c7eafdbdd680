// The block decoder on arbitrary bytes: the first two bytes choose the size of
// the destination (exactly that large, so the sanitizer sees any write past
// it), the rest is the stream. Whatever it holds, the decoder must end with a
// status, within its bound (the memory source ends where the input does); a decoder of two
// threads must end the same way with the same output.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "codecs/block_codec.h"
#include "foundation/byte_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t capacity = data[0] | (size_t{data[1]} << 8);
    const std::string stream(reinterpret_cast<const char*>(data) + 2, size - 2);
    MemorySource input(stream);
    std::unique_ptr<uint8_t[]> area(new uint8_t[capacity]);
    const CodecResult result = decodeBlockStream(input, area.get(), capacity, nullptr);
    if (result.size > capacity) std::abort();
    // An input without a signature leaves the output alone.
    if (result.status == CodecStatus::Corrupt && !result.fault && result.size != 0) std::abort();
    if (result.status != CodecStatus::Ok && result.status != CodecStatus::Corrupt && !result.fault)
        std::abort();

    MemorySource again(stream);
    std::unique_ptr<uint8_t[]> twoThreadArea(new uint8_t[capacity]);
    BlockDecoder twoThreads(2);
    const CodecResult other = twoThreads.decode(again, twoThreadArea.get(), capacity, nullptr);
    if (other.status != result.status || other.size != result.size ||
        other.faultLine != result.faultLine ||
        std::memcmp(twoThreadArea.get(), area.get(), result.size) != 0) {
        std::abort();
    }
    return 0;
}
