#include "pack/pack_prepared_entry.h"

#include <memory>
#include <new>

#include "codecs/block_codec.h"
#include "codecs/lz_codec.h"
#include "codecs/zstd_codec.h"
#include "pack/pack_byte_streams.h"
#include "pack/pack_file.h"

namespace {

constexpr size_t kCopyPieceSize = 256 * 1024;

bool storeAsIs(ByteSource& input, ByteSink& output) {
    std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kCopyPieceSize]);
    if (!piece) return false;
    for (;;) {
        const size_t got = input.Read(piece.get(), kCopyPieceSize);
        if (!output.Write(piece.get(), got)) return false;
        if (got < kCopyPieceSize) return true;
    }
}

}  // namespace

bool codePackEntry(SeekableFile& input, uint32_t mode, ByteSink& output, CodecCallback progress,
                   BlockCompressor* compressor, PackCodedData& coded) {
    // A zstd frame records its content size.
    const std::optional<uint64_t> contentSize = input.Size();
    if (!contentSize || !input.Seek(0)) return false;
    // One pass over the input gives the data, their size and check value.
    FileSource file(input);
    PackCheckingSource source(file);
    PackCountingSink sink(output);
    bool done = true;
    if (!(mode & kPackModeCompress)) {
        done = storeAsIs(source, sink) && sink.Flush();
    } else if (packModeIsZstd(mode)) {
        done = zstdCompress(source, *contentSize, sink, packModeZstdLevel(mode), progress).status ==
                   CodecStatus::Ok &&
               sink.Flush();
    } else if (mode & kPackModeBlockCodec) {
        const CodecResult result = compressor ? compressor->compress(source, sink, progress)
                                              : blockCompress(source, sink, progress);
        done = result.status == CodecStatus::Ok;
    } else {
        done = lzCompress(source, sink, progress).status == CodecStatus::Ok && sink.Flush();
    }
    // Every coder reads its input to the end; one that stopped before it has
    // not written the whole entry.
    if (!done || !source.ReachedEnd() || source.ReadFailed()) return false;
    coded.size = source.BytesRead();
    coded.storedSize = sink.BytesWritten();
    coded.crc = source.CheckValue();
    return true;
}

bool PackPreparedEntry::Prepare(SeekableFile& input, uint32_t mode, CodecCallback progress,
                                BlockCompressor* compressor) {
    mode_ = mode;
    prepared_ = codePackEntry(input, mode, stored_, progress, compressor, coded_) &&
                !stored_.Failed() && stored_.Size() == coded_.storedSize;
    return prepared_;
}
