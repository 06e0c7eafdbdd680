// zstd codec: the pack's third storage method, through the reference library
// libzstd (Zstandard, RFC 8878).
//
// An entry's data are exactly one zstd frame and nothing after it: the frame
// header records the content size, the frame carries no checksum (the pack's
// check value covers the bytes), and its window is at most 8 MiB
// (windowLog <= 23), so decoding any entry needs a bounded amount of memory
// whatever its size:
//
//   window          at most 8 MiB (2^23 bytes), and never more than the
//                   frame's content size
//   libzstd's own   one 128 KiB block buffer and about 160 KB of tables
//   ours            one 128 KiB input and one 128 KiB output piece
//
// in all at most about 8.6 MB per entry; a frame that asks for a larger
// window is refused before anything is allocated for it.
//
// The compressor and the decoder live in two files, so a program that only
// decodes (the installer) links only libzstd's decoder: it links
// zstd_reader_only.cpp, whose zstdCompress stands in for the real one
// (zstd_codec.cmake, target nerro_zstd_reader_only).
//
// Both functions keep their working storage for the length of the call only,
// so they may run on several threads at once on different streams. Neither
// throws or ends the process; every failure is a CodecStatus.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/codec_callback.h"
#include "codecs/codec_status.h"
#include "foundation/byte_stream.h"

// Compression levels accepted by zstdCompress: 1 (fastest) to 19 (smallest).
constexpr int kZstdMinLevel = 1;
constexpr int kZstdMaxLevel = 19;
constexpr int kZstdDefaultLevel = 19;

// The largest window a frame may use: 2^23 bytes = 8 MiB. The compressor
// never writes a larger one, the decoder refuses one (Corrupt).
constexpr unsigned kZstdMaxWindowLog = 23;

// Decodes the one zstd frame that input holds from its current position to
// its end, and hands the bytes to sink in order, in pieces of at most
// 128 KiB. A sink that offers its own memory (ByteSink::Space) with room for
// the size the frame's header records (at most capacity) gets the bytes
// decoded straight into it instead, committed in pieces of any size: no
// copy, and libzstd keeps no window of its own. The statuses are the same
// either way.
//
// Ok: the frame decoded whole, and the input held nothing after it.
// Corrupt: the input does not begin with a zstd frame (a skippable frame, an
// old format, another codec's stream), the frame breaks the format, needs a
// window above 8 MiB, decodes to another size than its header records, or
// bytes follow it. Truncated: the input ended inside the frame (an empty
// input included). OutputFull: the frame decodes to more than capacity
// bytes (its header says so, or its blocks do); the first capacity bytes are
// handed on. ReadFailed: the input failed. WriteFailed: the
// sink refused bytes. OutOfMemory: the decoder's storage could not be had.
// In every case size counts the bytes handed to sink, which never exceeds
// capacity.
//
// Bytes reach the sink before the frame is known to be whole: a status other
// than Ok means they must be discarded. Never reads past the end of the
// input and never writes outside its own buffers, whatever the input holds
// (corrupt, truncated or hostile frames included). progress, when not null, is called after each piece
// handed to sink.
CodecResult zstdUncompressTo(ByteSource& input, ByteSink& sink, size_t capacity,
                             CodecCallback progress);

// Compresses everything from input's current position to its end, which
// must be exactly contentSize bytes, into one zstd frame written at output's
// current position, at level (kZstdMinLevel to kZstdMaxLevel; others are
// taken as the nearest of the two). The frame records contentSize, carries
// no checksum and uses a window of at most 8 MiB. libzstd codes on the
// calling thread only, so the bytes depend on the input and the level alone
// (and on libzstd's version).
//
// Ok: size is the number of bytes written. ReadFailed: reading the input
// failed, or it held more or fewer than contentSize bytes. WriteFailed: writing to output
// failed. OutOfMemory: the compressor's storage could not be had (level 19
// takes about 100 MB for inputs of 8 MiB and more, much less for small
// ones). On any failure the bytes already written are not a valid frame.
// progress, when not null, is called after each
// 128 KiB of input.
CodecResult zstdCompress(ByteSource& input, uint64_t contentSize, ByteSink& output,
                         int level, CodecCallback progress);
