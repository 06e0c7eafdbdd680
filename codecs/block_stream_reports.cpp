// The block codec's stream functions of old: the codec's results turned into
// fatal run-time reports of unit "compress". Nothing else in the codecs
// reports.

#include "codecs/block_codec.h"
#include "foundation/runtime_error.h"

size_t uncompressStream(ByteSource& input, uint8_t* output, size_t capacity,
                        CodecCallback blockCallback) {
    const CodecResult result = decodeBlockStream(input, output, capacity, blockCallback);
    if (result.status == CodecStatus::Ok) return result.size;
    // An input without a signature is no stream of ours: nothing to report.
    if (!result.fault) return 0;
    fatalRunTimeError("compress", result.faultLine, result.fault);
}

void compressStream(ByteSource& input, ByteSink& output, CodecCallback progressCallback) {
    const CodecResult result = blockCompress(input, output, progressCallback);
    if (result.status != CodecStatus::Ok) {
        fatalRunTimeError("compress", result.faultLine, result.fault);
    }
}
