// Byte sources and sinks that sit between the codecs and the pack's files.
//
// They forward to the real ones and remember what happened for the pack to
// act on.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "foundation/byte_file.h"
#include "foundation/byte_stream.h"
#include "pack/pack_check.h"

// Forwards every byte to target and counts those it takes.
class PackCountingSink final : public ByteSink {
public:
    explicit PackCountingSink(ByteSink& target) : target_(target) {}

    bool Write(const void* data, size_t size) override;
    bool Flush() override { return target_.Flush(); }

    // Bytes target took.
    uint64_t BytesWritten() const { return written_; }

private:
    ByteSink& target_;
    uint64_t written_ = 0;
};

// Reads source through a buffer of its own, keeping the check value and the
// count of every byte taken from source. A failure of source is passed on,
// and remembered in ReadFailed.
class PackCheckingSource final : public ByteSource {
public:
    explicit PackCheckingSource(ByteSource& source);

    uint64_t BytesRead() const { return read_; }
    uint32_t CheckValue() const { return check_.Value(); }
    // source has no more bytes (or failed).
    bool ReachedEnd() const { return reachedEnd_; }
    // source failed while being read.
    bool ReadFailed() const { return Failed(); }

protected:
    bool Refill() override;

private:
    static constexpr size_t kBufferSize = 64 * 1024;

    ByteSource& source_;
    std::unique_ptr<uint8_t[]> buffer_;
    uint64_t read_ = 0;
    PackCheck check_;
    bool reachedEnd_ = false;
};

// Reads the bytes [start, start + length) of file and nothing beyond, so
// that a decoder meets the end of its input where an entry's stored data end.
// Each piece (up to 256 KiB) is sought and read under lock, and nothing else
// of file is kept between pieces: several readers may share one file, each
// reading a range of its own. A file that cannot be sought or read, or ends
// before the range does, fails the source there.
class PackRangeSource final : public ByteSource {
public:
    PackRangeSource(SeekableFile& file, std::mutex& lock, uint64_t start, uint64_t length);

    // Bytes of the range the reader has not taken.
    uint64_t Remaining() const { return unfetched_ + Buffered(); }
    // The file could not be sought or read, or ended before the range did.
    bool SourceFailed() const { return Failed(); }

protected:
    bool Refill() override;

private:
    static constexpr size_t kBufferSize = 256 * 1024;

    SeekableFile& file_;
    std::mutex& lock_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t bufferSize_;
    uint64_t next_;       // position of the next piece in file
    uint64_t unfetched_;  // bytes of the range not yet read from file
};
