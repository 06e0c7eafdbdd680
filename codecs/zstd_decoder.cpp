// The zstd decoder: libzstd's streaming decoder between a ByteSource and
// a ByteSink, with the pack's rules on top (one frame, nothing after it, a
// bounded window and output).
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#define ZSTD_STATIC_LINKING_ONLY  // ZSTD_d_stableOutBuffer
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
        if (uint8_t* space = directSpace()) return runDirect(context.get(), space, progress);

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
    // Where the frame may be decoded straight into the sink's memory: when
    // the sink offers memory and the frame's header, read whole already,
    // records a size that fits both it and the capacity. Null otherwise.
    uint8_t* directSpace() {
        size_t room = 0;
        uint8_t* space = sink_.Space(room);
        if (!space) return nullptr;
        const unsigned long long size = ZSTD_getFrameContentSize(input_.get(), inputSize_);
        if (size == ZSTD_CONTENTSIZE_UNKNOWN || size == ZSTD_CONTENTSIZE_ERROR || size == 0 ||
            size > capacity_ || size > room)
            return nullptr;
        contentSize_ = static_cast<size_t>(size);
        return space;
    }

    // Decodes the frame into space, which holds its recorded size exactly.
    // libzstd then keeps no window of its own (it refers to the bytes
    // already in space), and no byte is copied after it was decoded: the
    // sink commits them where they are. The statuses are those of run's
    // loop: a frame that decodes to more than its header records overruns
    // space, which libzstd refuses (Corrupt, as when it finds the mismatch);
    // with no piece held back, input that ends inside the frame is Truncated.
    CodecStatus runDirect(ZSTD_DCtx* context, uint8_t* space, CodecCallback progress) {
        if (ZSTD_isError(ZSTD_DCtx_setParameter(context, ZSTD_d_stableOutBuffer, 1)))
            return CodecStatus::OutOfMemory;
        ZSTD_inBuffer in{input_.get(), inputSize_, 0};
        ZSTD_outBuffer out{space, contentSize_, 0};
        for (;;) {
            if (in.pos == in.size && !ended_) {
                in.size = fill(0);
                in.pos = 0;
            }
            if (failed_) return CodecStatus::ReadFailed;
            const size_t before = out.pos, consumed = in.pos;
            const size_t left = ZSTD_decompressStream(context, &out, &in);
            if (ZSTD_isError(left)) {
                return ZSTD_getErrorCode(left) == ZSTD_error_dstSize_tooSmall ? CodecStatus::Corrupt
                                                                              : statusOfError(left);
            }
            if (out.pos > before) {
                if (!sink_.Commit(out.pos - before)) return CodecStatus::WriteFailed;
                written_ += out.pos - before;
                if (progress) progress();
            }
            if (left == 0) {
                if (in.pos < in.size || moreInput()) return CodecStatus::Corrupt;
                return failed_ ? CodecStatus::ReadFailed : CodecStatus::Ok;
            }
            if (ended_ && in.pos == in.size) return CodecStatus::Truncated;
            // Input left and none taken, nothing decoded: the frame wants
            // room beyond its recorded size.
            if (in.pos < in.size && in.pos == consumed && out.pos == before)
                return CodecStatus::Corrupt;
        }
    }

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
    size_t contentSize_ = 0;  // the frame's recorded size, when decoded directly
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
