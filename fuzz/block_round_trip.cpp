// Compress arbitrary bytes, decode them again: the result must be the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/block_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    std::istringstream in(original);
    std::ostringstream out;
    compressStream(in, out, nullptr);

    std::istringstream stream(out.str());
    std::vector<uint8_t> decoded(size + 1);
    const CodecResult result = decodeBlockStream(stream, decoded.data(), size, nullptr);
    if (result.status != CodecStatus::Ok || result.size != size) std::abort();
    if (size > 0 && std::memcmp(decoded.data(), data, size) != 0) std::abort();
    if (size_t(stream.tellg()) != out.str().size()) std::abort();
    return 0;
}
