// LZ decoder on arbitrary bytes: the first two bytes choose the size of the
// destination (exactly that large, so the sanitizer sees any write past it),
// the rest is the stream.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "codecs/lz_codec.h"
#include "foundation/byte_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t capacity = data[0] | (size_t{data[1]} << 8);
    MemorySource in(data + 2, size - 2);
    std::vector<uint8_t> output(capacity);
    CodecResult result = lzUncompress(in, output.data(), capacity, nullptr);
    if (result.size > capacity) std::abort();
    return 0;
}
