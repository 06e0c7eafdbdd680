// The zstd compressor: libzstd's streaming compressor between a ByteSource
// and a ByteSink, set up so that every frame can be decoded within the window the
// decoder allows.
#include <algorithm>
#include <memory>
#include <new>

// ZSTD_getCParams (the level's parameters for a size) is in libzstd's
// experimental part; both our builds of libzstd are the same pinned release.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>
#include <zstd_errors.h>

#include "codecs/zstd_codec.h"

namespace {

struct CContextFree {
    void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};
using CContext = std::unique_ptr<ZSTD_CCtx, CContextFree>;

constexpr size_t kPieceSize = 128 * 1024;

bool setParameter(ZSTD_CCtx* context, ZSTD_cParameter parameter, int value) {
    return !ZSTD_isError(ZSTD_CCtx_setParameter(context, parameter, value));
}

// Level, content size in the header, no checksum, one thread, and the
// level's window for this size unless it is above 8 MiB (levels up to 19
// stay within it today; the cap keeps that true whatever the table says).
bool configure(ZSTD_CCtx* context, int level, uint64_t contentSize) {
    const ZSTD_compressionParameters chosen = ZSTD_getCParams(level, contentSize, 0);
    if (!setParameter(context, ZSTD_c_compressionLevel, level) ||
        !setParameter(context, ZSTD_c_contentSizeFlag, 1) ||
        !setParameter(context, ZSTD_c_checksumFlag, 0) ||
        !setParameter(context, ZSTD_c_nbWorkers, 0))
        return false;
    if (chosen.windowLog > kZstdMaxWindowLog &&
        !setParameter(context, ZSTD_c_windowLog, static_cast<int>(kZstdMaxWindowLog)))
        return false;
    return !ZSTD_isError(ZSTD_CCtx_setPledgedSrcSize(context, contentSize));
}

class FrameEncoder {
public:
    FrameEncoder(ByteSource& input, ByteSink& output) : input_(input), output_(output) {}

    size_t written() const { return written_; }

    CodecStatus run(uint64_t contentSize, int level, CodecCallback progress) {
        std::unique_ptr<uint8_t[]> inPiece(new (std::nothrow) uint8_t[kPieceSize]);
        outPiece_.reset(new (std::nothrow) uint8_t[kPieceSize]);
        CContext context(ZSTD_createCCtx());
        if (!inPiece || !outPiece_ || !context) return CodecStatus::OutOfMemory;
        if (!configure(context.get(), level, contentSize)) return CodecStatus::OutOfMemory;

        uint64_t read = 0;
        for (;;) {
            const size_t got = readPiece(inPiece.get());
            if (readFailed_) return CodecStatus::ReadFailed;
            read += got;
            // A source longer than it said is found here, before libzstd
            // compresses what the header does not cover.
            if (read > contentSize) return CodecStatus::ReadFailed;
            const bool last = got < kPieceSize;
            ZSTD_inBuffer in{inPiece.get(), got, 0};
            const CodecStatus coded = code(context.get(), in, last ? ZSTD_e_end : ZSTD_e_continue);
            if (coded != CodecStatus::Ok) return coded;
            if (progress) progress();
            if (last) return CodecStatus::Ok;
        }
    }

private:
    // A whole piece unless the input ends or fails.
    size_t readPiece(uint8_t* piece) {
        const size_t got = input_.Read(piece, kPieceSize);
        if (input_.Failed()) readFailed_ = true;
        return got;
    }

    // Feeds in whole to libzstd and writes what comes out; with ZSTD_e_end
    // until the frame is closed.
    CodecStatus code(ZSTD_CCtx* context, ZSTD_inBuffer& in, ZSTD_EndDirective directive) {
        for (;;) {
            ZSTD_outBuffer out{outPiece_.get(), kPieceSize, 0};
            const size_t left = ZSTD_compressStream2(context, &out, &in, directive);
            if (ZSTD_isError(left)) {
                // The pledged size was not met: the input held fewer bytes.
                if (ZSTD_getErrorCode(left) == ZSTD_error_srcSize_wrong)
                    return CodecStatus::ReadFailed;
                return ZSTD_getErrorCode(left) == ZSTD_error_memory_allocation
                           ? CodecStatus::OutOfMemory
                           : CodecStatus::WriteFailed;
            }
            if (out.pos > 0) {
                if (!output_.Write(outPiece_.get(), out.pos)) return CodecStatus::WriteFailed;
                written_ += out.pos;
            }
            const bool done = directive == ZSTD_e_end ? left == 0 : in.pos == in.size;
            if (done) return CodecStatus::Ok;
        }
    }

    ByteSource& input_;
    ByteSink& output_;
    std::unique_ptr<uint8_t[]> outPiece_;
    size_t written_ = 0;
    bool readFailed_ = false;
};

}  // namespace

CodecResult zstdCompress(ByteSource& input, uint64_t contentSize, ByteSink& output, int level,
                         CodecCallback progress) {
    level = std::clamp(level, kZstdMinLevel, kZstdMaxLevel);
    FrameEncoder encoder(input, output);
    const CodecStatus status = encoder.run(contentSize, level, progress);
    return {status, encoder.written()};
}
