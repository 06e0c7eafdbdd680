// Compress arbitrary bytes, decode them again: the result must be the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/block_codec.h"
#include "foundation/byte_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    MemorySource in(original);
    StringSink out;
    compressStream(in, out, nullptr);

    MemorySource stream(out.bytes);
    std::vector<uint8_t> decoded(size + 1);
    const CodecResult result = decodeBlockStream(stream, decoded.data(), size, nullptr);
    if (result.status != CodecStatus::Ok || result.size != size) std::abort();
    if (size > 0 && std::memcmp(decoded.data(), data, size) != 0) std::abort();
    // The decoder takes the whole stream and nothing is left over.
    if (stream.Remaining() != 0) std::abort();
    return 0;
}
