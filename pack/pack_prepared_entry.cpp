#include "pack/pack_prepared_entry.h"

#include <istream>
#include <memory>
#include <new>
#include <ostream>

#include "codecs/block_codec.h"
#include "codecs/lz_codec.h"
#include "codecs/zstd_codec.h"
#include "pack/pack_file.h"
#include "pack/pack_stream_bufs.h"

namespace {

constexpr size_t kCopyPieceSize = 40000;

bool storeAsIs(std::istream& input, std::ostream& output) {
    std::unique_ptr<char[]> piece(new (std::nothrow) char[kCopyPieceSize]);
    if (!piece) return false;
    do {
        input.read(piece.get(), kCopyPieceSize);
        output.write(piece.get(), input.gcount());
    } while (input && output);
    return !output.fail();
}

// The bytes from the input's position to its end; false when it cannot seek.
bool remainingLength(std::istream& input, uint64_t& length) {
    const std::streampos start = input.tellg();
    input.seekg(0, std::ios::end);
    const std::streampos end = input.tellg();
    input.seekg(start);
    if (input.fail() || start < 0 || end < start) return false;
    length = static_cast<uint64_t>(end - start);
    return true;
}

}  // namespace

bool codePackEntry(std::istream& input, uint32_t mode, std::streambuf& output,
                   CodecCallback progress, BlockCompressor* compressor, PackCodedData& coded) {
    // A zstd frame records its content size: what is left of the input.
    uint64_t contentSize = 0;
    if (packModeIsZstd(mode) && !remainingLength(input, contentSize)) return false;
    // One pass over the input gives the data, their size and check value.
    PackSourceBuf source(*input.rdbuf());
    std::istream sourceStream(&source);
    PackSinkBuf sink(output);
    std::ostream sinkStream(&sink);
    bool done = true;
    if (!(mode & kPackModeCompress)) {
        done = storeAsIs(sourceStream, sinkStream);
    } else if (packModeIsZstd(mode)) {
        done = zstdCompress(sourceStream, contentSize, sinkStream, packModeZstdLevel(mode),
                            progress)
                   .status == CodecStatus::Ok;
    } else if (mode & kPackModeBlockCodec) {
        const CodecResult result = compressor
                                       ? compressor->compress(sourceStream, sinkStream, progress)
                                       : blockCompress(sourceStream, sinkStream, progress);
        done = result.status == CodecStatus::Ok;
    } else {
        done = lzCompress(sourceStream, sinkStream, progress).status == CodecStatus::Ok;
    }
    sinkStream.flush();
    // Every coder reads its input to the end; one that stopped before it has
    // not written the whole entry.
    if (!done || sinkStream.fail() || !source.ReachedEnd() || source.ReadFailed()) return false;
    coded.size = source.BytesRead();
    coded.storedSize = sink.BytesWritten();
    coded.crc = source.CheckValue();
    return true;
}

bool PackPreparedEntry::Prepare(std::istream& input, uint32_t mode, CodecCallback progress,
                                BlockCompressor* compressor) {
    mode_ = mode;
    input.clear();
    input.seekg(0, std::ios::beg);
    if (input.fail()) return false;
    prepared_ = codePackEntry(input, mode, stored_, progress, compressor, coded_) &&
                !stored_.Failed() && stored_.Size() == coded_.storedSize;
    return prepared_;
}
