// The block codec: a block-sorting compressor with adaptive arithmetic coding.
//
// A stream starts with "ResJ" and carries no length and no checksum; it ends
// with a block flagged as the last one, so streams can lie back to back in a
// file. Inside, the input is run-length pre-coded, cut into blocks of up to
// 900,000 bytes, each block's rotations are sorted (its last column kept),
// move-to-front coded, and the values are written with an adaptive arithmetic
// coder.
//
// All working state lives in BlockCompressor and BlockDecoder objects that
// the caller owns: one object codes one stream at a time, and any number of
// objects may work at once on different threads. An object keeps its storage
// from one stream to the next; every stream starts afresh, so a call that
// ended in an exception (from a run-time error hook)
// leaves nothing behind that matters. The free functions below code one
// stream with an object of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "codecs/codec_callback.h"
#include "codecs/codec_status.h"
#include "foundation/byte_stream.h"

// Decodes one stream from input's current position into output[0, capacity).
//
// Reads input one byte at a time and only the bytes of the stream: on
// success the input is left right after the stream's last byte.
// Accepts the signatures "ResB".."ResJ" and "BZ01".."BZ09". Calls
// blockCallback (if not null) once before each block.
//
// Never writes outside output[0, capacity), never loops forever, and reports
// nothing, whatever the input holds, even if it is maliciously modified: a
// bad input gives a status other than Ok (and output holds whatever was
// decoded before the fault was seen). Statuses: Corrupt (no signature: fault
// is null and the output untouched; or the stream breaks the format),
// Truncated (the input ended before the stream), ReadFailed (the input
// failed), OutputFull (the stream holds more than capacity bytes; what
// fits is written), OutOfMemory (the working storage, about 4.5 MB for
// "ResJ", cannot be had).
CodecResult decodeBlockStream(ByteSource& input, uint8_t* output, size_t capacity,
                              CodecCallback blockCallback);

// As decodeBlockStream, but the decoded bytes go to sink, in pieces of at most
// 256 KiB, instead of into one area: a stream of any length is decoded with
// the working storage plus that window. capacity still bounds the stream's
// length (OutputFull). Bytes reach the sink before the stream is known to be
// whole: a status other than Ok means they must be discarded. A sink that
// refuses bytes ends the decoding with WriteFailed.
CodecResult decodeBlockStreamTo(ByteSource& input, ByteSink& sink, size_t capacity,
                                CodecCallback blockCallback);

// Compresses everything from input's current position to its end into one
// stream ("ResJ") on output and flushes it; size is the stream's length.
// Calls progressCallback (if not null) at the first of every block's run
// pairs and then every 32,769 pairs.
//
// Working storage is about 7.5 MB, and up to about 11 MB while a block of
// long exact repeats is sorted.
//
// Statuses: WriteFailed when a byte cannot be written or the output cannot be
// flushed (the rest of the stream is not written); ReadFailed when the input
// failed (what was read before is in the stream, which is complete) or had
// failed already when the call began (then nothing is read); OutOfMemory.
CodecResult blockCompress(ByteSource& input, ByteSink& output,
                          CodecCallback progressCallback);

// The stream functions of old, which report every failure as a fatal run-time
// error of unit "compress" in the words of CodecResult::fault.
//
// uncompressStream: as decodeBlockStream, but a stream that is corrupt,
// truncated or longer than capacity is fatal ("Compressed stream EOF", "Block
// overrun during decompression", "Unblock error", "Bad block origin",
// "Decompressed data longer than its destination", "uncompress: out of
// memory"). An input without a signature returns 0 quietly and leaves output
// untouched. Returns the number of bytes written.
size_t uncompressStream(ByteSource& input, uint8_t* output, size_t capacity,
                        CodecCallback blockCallback);

// compressStream: as blockCompress, with the fatal errors "EOF!" (WriteFailed),
// "streamBad!" (ReadFailed) and "compress: out of memory".
void compressStream(ByteSource& input, ByteSink& output, CodecCallback progressCallback);

struct BlockCompressorWork;
struct BlockDecoderWork;

// Compresses streams as blockCompress does. Its working storage (about
// 7.5 MB) is had at the first call and kept until the object goes.
//
// With threads = 2 the rotations of the next block are sorted on a second
// thread while the current block is move-to-front and arithmetic coded (the
// coder runs across blocks, so that is all the overlap a stream allows). The
// stream is byte for byte the one a single thread writes; the input and the
// progress callback are used on the calling thread only. The working storage
// is then about 14.7 MB (the keys and order of a second block). Without a
// thread to be had the object codes on one thread.
class BlockCompressor {
public:
    explicit BlockCompressor(unsigned threads = 1);
    ~BlockCompressor();
    BlockCompressor(const BlockCompressor&) = delete;
    BlockCompressor& operator=(const BlockCompressor&) = delete;

    CodecResult compress(ByteSource& input, ByteSink& output, CodecCallback progressCallback);

    // Bytes of working storage an object of that many threads holds (besides
    // the sort's scratch for blocks of long exact repeats).
    static size_t storageBytes(unsigned threads);

private:
    unsigned threads_;
    std::unique_ptr<BlockCompressorWork> work_;
};

// Decodes streams as decodeBlockStream and decodeBlockStreamTo do. Its
// working storage (about 4.5 MB for "ResJ", the 256 KiB window once a sink is
// used) is had when a stream first needs it and kept until the object goes.
//
// With threads = 2 the inverse block sort of block k runs on a second thread
// while block k + 1 is arithmetic and move-to-front decoded. The output, the
// statuses and the decoded size are those of one thread, whatever the input;
// the input, the sink and the callback are used on the calling thread only.
// On a faulty stream the decoder may read one block further before it tells
// the fault. The working storage is then about 5.5 MB for "ResJ" (a second
// last column). Without a thread to be had the object decodes on one thread.
class BlockDecoder {
public:
    explicit BlockDecoder(unsigned threads = 1);
    ~BlockDecoder();
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    CodecResult decode(ByteSource& input, uint8_t* output, size_t capacity,
                       CodecCallback blockCallback);
    CodecResult decodeTo(ByteSource& input, ByteSink& sink, size_t capacity,
                         CodecCallback blockCallback);

    // Bytes of working storage an object of that many threads holds for
    // "ResJ" streams (besides the window of a sink).
    static size_t storageBytes(unsigned threads);

private:
    BlockDecoderWork* work();

    unsigned threads_;
    std::unique_ptr<BlockDecoderWork> work_;
};
