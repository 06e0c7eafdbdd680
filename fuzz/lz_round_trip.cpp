// LZ round trip: compressing and decoding any input gives it back, decoding
// takes exactly the stream's bytes, and one byte less room is reported.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/lz_codec.h"
#include "foundation/byte_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    StringSink sink;
    const CodecResult written = lzCompress(source, sink, nullptr);
    std::string stream = sink.bytes;
    if (written.status != CodecStatus::Ok || written.size != stream.size()) std::abort();

    MemorySource in(stream);
    std::vector<uint8_t> output(size);
    CodecResult result = lzUncompress(in, output.data(), size, nullptr);
    if (result.status != CodecStatus::Ok || result.size != size) std::abort();
    if (size > 0 && std::memcmp(output.data(), data, size) != 0) std::abort();
    if (in.Remaining() != 0) std::abort();

    if (size > 0) {
        MemorySource again(stream);
        CodecResult shorter = lzUncompress(again, output.data(), size - 1, nullptr);
        if (shorter.status != CodecStatus::OutputFull || shorter.size != size - 1) std::abort();
    }
    return 0;
}
