// What every entry point of both codecs reports: one status and the bytes
// written. The codecs never end the process and never throw; a caller that
// wants the fatal run-time reports of the old stream functions gets them from
// compressStream and uncompressStream (block_codec.h), which make them from
// these results.
#pragma once

#include <cstddef>

enum class CodecStatus {
    Ok,           // the whole stream was coded
    Corrupt,      // the input is no stream of the codec, or breaks its format
    Truncated,    // the input ended before the stream did
    OutputFull,   // the stream decodes to more bytes than the output may take
    ReadFailed,   // the input failed (a read error, as against its end)
    WriteFailed,  // the output refused bytes or a flush
    OutOfMemory,  // the working storage could not be had
};

struct CodecResult {
    CodecStatus status = CodecStatus::Ok;
    // Decoders: the bytes written to the output (also when status is not Ok).
    // Compressors: the bytes of the stream handed to the output.
    size_t size = 0;
    // The check that stopped the coder, in the words of the block codec's fatal
    // reports, and the line of that check; null (and 0) when the status is Ok,
    // for the LZ codec, and when a block decoder's input has no block codec
    // signature at all.
    const char* fault = nullptr;
    int faultLine = 0;
};
