// The zstd decoder: libzstd's streaming decoder between a ByteSource and
// a ByteSink, with the pack's rules on top (one frame, nothing after it, a
// bounded window and output).
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include <zstd.h>
#include <zstd_errors.h>

#include "codecs/zstd_codec.h"

namespace {

struct DContextFree {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};
using DContext = std::unique_ptr<ZSTD_DCtx, DContextFree>;

// The frame magic 0xFD2FB528, little-endian as it stands in the stream.
constexpr uint8_t kFrameMagic[4] = {0x28, 0xB5, 0x2F, 0xFD};
constexpr size_t kPieceSize = 128 * 1024;

CodecStatus statusOfError(size_t code) {
    return ZSTD_getErrorCode(code) == ZSTD_error_memory_allocation ? CodecStatus::OutOfMemory
                                                                   : CodecStatus::Corrupt;
}

class FrameDecoder {
public:
    FrameDecoder(ByteSource& in, ByteSink& sink, size_t capacity)
        : in_(in), sink_(sink), capacity_(capacity) {}

    size_t written() const { return written_; }

    CodecStatus run(CodecCallback progress) {
        input_.reset(new (std::nothrow) uint8_t[kPieceSize]);
        output_.reset(new (std::nothrow) uint8_t[kPieceSize]);
        DContext context(ZSTD_createDCtx());
        if (!input_ || !output_ || !context) return CodecStatus::OutOfMemory;
        // A frame that asks for more than the window we allow is refused
        // before its window is allocated.
        if (ZSTD_isError(ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax,
                                                static_cast<int>(kZstdMaxWindowLog))))
            return CodecStatus::OutOfMemory;

        const CodecStatus magic = checkMagic();
        if (magic != CodecStatus::Ok) return magic;

        ZSTD_inBuffer in{input_.get(), inputSize_, 0};
        for (;;) {
            if (in.pos == in.size && !ended_) {
                in.size = fill(0);
                in.pos = 0;
            }
            if (failed_) return CodecStatus::ReadFailed;
            ZSTD_outBuffer out{output_.get(), kPieceSize, 0};
            const size_t left = ZSTD_decompressStream(context.get(), &out, &in);
            if (ZSTD_isError(left)) return statusOfError(left);
            if (out.pos > 0) {
                const CodecStatus handed = handOn(out.pos);
                if (handed != CodecStatus::Ok) return handed;
                if (progress) progress();
            }
            if (left == 0) {
                if (in.pos < in.size || moreInput()) return CodecStatus::Corrupt;
                return failed_ ? CodecStatus::ReadFailed : CodecStatus::Ok;
            }
            // The decoder stops short of a full piece only when it wants
            // more input: at the end of the input the frame is cut.
            if (ended_ && in.pos == in.size && out.pos < out.size) return CodecStatus::Truncated;
        }
    }

private:
    // The frame must begin at once: a skippable frame, an old format or
    // another codec's stream is no entry of this method.
    CodecStatus checkMagic() {
        inputSize_ = 0;
        while (inputSize_ < sizeof kFrameMagic && !ended_)
            inputSize_ = fill(inputSize_);
        if (failed_) return CodecStatus::ReadFailed;
        const size_t seen = std::min(inputSize_, sizeof kFrameMagic);
        if (std::memcmp(input_.get(), kFrameMagic, seen) != 0) return CodecStatus::Corrupt;
        return seen < sizeof kFrameMagic ? CodecStatus::Truncated : CodecStatus::Ok;
    }

    // Reads into input_ from offset on; returns the bytes now held. A read
    // of nothing is the end of the input.
    size_t fill(size_t offset) {
        const size_t got = in_.Read(input_.get() + offset, kPieceSize - offset);
        if (in_.Failed()) failed_ = true;
        if (got == 0) ended_ = true;
        return offset + got;
    }

    // Whether a byte follows the frame.
    bool moreInput() {
        if (ended_) return false;
        const bool more = !in_.AtEnd();
        if (in_.Failed()) failed_ = true;
        return more;
    }

    CodecStatus handOn(size_t count) {
        const size_t room = capacity_ - written_;
        const size_t taken = std::min(count, room);
        if (taken > 0 && !sink_.Write(output_.get(), taken)) return CodecStatus::WriteFailed;
        written_ += taken;
        return taken < count ? CodecStatus::OutputFull : CodecStatus::Ok;
    }

    ByteSource& in_;
    ByteSink& sink_;
    size_t capacity_;
    size_t written_ = 0;
    std::unique_ptr<uint8_t[]> input_;
    std::unique_ptr<uint8_t[]> output_;
    size_t inputSize_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

}  // namespace

CodecResult zstdUncompressTo(ByteSource& input, ByteSink& sink, size_t capacity,
                             CodecCallback progress) {
    FrameDecoder decoder(input, sink, capacity);
    const CodecStatus status = decoder.run(progress);
    return {status, decoder.written()};
}
