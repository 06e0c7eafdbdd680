// LZ codec: the pack's second, simpler storage method.
//
// A byte-oriented LZ77 code with an 8192-byte history and matches of 2 to 256
// bytes. The stream has no signature and no length field: it is a mixture of
// 16-bit flag words (little-endian, flags taken from bit 0 upward) and data
// bytes, and ends with an end marker, so streams can lie back to back.
//
//   flags        data bytes          item
//   1            b                   literal b
//   0 0 x y      b                   match, length 2+2x+y, distance 256-b
//   0 1          b1 b2 (b2&7 != 0)   match, length (b2&7)+2,
//                                    distance 8192-((b2>>3)*256+b1)
//   0 1          b1 b2 (b2&7 == 0) n n=0 end of stream, n=1 nothing,
//                                    n>=2 match of length n+1, distance as above
//
// A new flag word is read as soon as the 16th flag of the current one has been
// taken, before the data bytes of the item that flag belongs to.
//
// Both functions keep their working storage for the length of the call only,
// so they may run on several threads at once on different streams.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/codec_callback.h"
#include "codecs/codec_status.h"
#include "foundation/byte_stream.h"

// Decodes one LZ stream from input's current position into output[0, capacity).
//
// Ok: the end marker was read; the input stands right after the stream's last
// byte, so a following stream can be decoded next. Truncated: the input ended
// first. ReadFailed: the input failed. OutputFull: the stream
// decodes to more than capacity bytes; the first capacity bytes are written
// and the input stands somewhere inside the stream. Corrupt: a match refers
// to bytes before the start of the output; the bytes decoded before it are
// written. In every case size counts the bytes written.
//
// Never writes outside output[0, capacity) and never reads past the end of the
// input, whatever the input holds (corrupt, truncated or hostile streams
// included); it stops after at most one item per input byte, so it ends on any
// finite input. output may be null when capacity is 0.
//
// Reads the input one byte at a time (a run of literals in one piece).
// progress, when not null, is called each time the
// decoded size first exceeds 16384 + 8192*k bytes (k = 0, 1, ...). Needs no
// working storage of its own.
CodecResult lzUncompress(ByteSource& input, uint8_t* output, size_t capacity,
                         CodecCallback progress);

// As lzUncompress, but the decoded bytes go to sink, in pieces of at most
// 256 KiB, instead of into one area: a stream of any length is decoded in a
// window of about 270 KB. capacity still bounds the stream's length
// (OutputFull). Bytes reach the sink before the stream is known to be whole:
// a status other than Ok means they must be discarded. A sink that refuses
// bytes ends the decoding with WriteFailed; a window that cannot be had gives
// OutOfMemory.
CodecResult lzUncompressTo(ByteSource& input, ByteSink& sink, size_t capacity,
                           CodecCallback progress);

// Compresses everything from input's current position to its end into one LZ
// stream written at output's current position. At every item it takes the
// longest match within 8192 bytes (the nearest of equally long ones), so the
// output is fixed by the input's bytes alone, whichever way they are delivered.
//
// Ok: size is the number of bytes written. WriteFailed: writing to output
// failed; ReadFailed: the input failed; either way the bytes already
// written are not a valid stream. progress, when not null, is called each time the
// number of bytes coded first exceeds 16385 + 8192*k (k = 0, 1, ...). Working
// storage is under 1 MB, much less for inputs under 32 KB; OutOfMemory when
// it cannot be had.
CodecResult lzCompress(ByteSource& input, ByteSink& output, CodecCallback progress);
