// Stream buffers that sit between the codecs and the pack's files.
//
// The codecs clear the error state of the streams they are given. These
// buffers forward to the real ones and remember what happened for the pack to
// act on.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <streambuf>

#include "pack/pack_check.h"

// Forwards every byte to target and counts those it takes. A byte or a flush
// that target refuses is refused to the writer as well.
class PackSinkBuf : public std::streambuf {
public:
    explicit PackSinkBuf(std::streambuf& target) : target_(target) {}

    // Bytes target took.
    uint64_t BytesWritten() const { return written_; }

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int sync() override;

private:
    std::streambuf& target_;
    uint64_t written_ = 0;
};

// Reads source through a buffer of its own, keeping the check value and the
// count of every byte taken from source. One byte can always be put back.
// An exception from source ends the input instead of reaching the reader,
// and is remembered in ReadFailed.
class PackSourceBuf : public std::streambuf {
public:
    explicit PackSourceBuf(std::streambuf& source);

    uint64_t BytesRead() const { return read_; }
    uint32_t CheckValue() const { return check_.Value(); }
    // source has no more bytes (or failed).
    bool ReachedEnd() const { return reachedEnd_; }
    // source threw while being read; the reader saw the end of the input.
    bool ReadFailed() const { return readFailed_; }

protected:
    int_type underflow() override;

private:
    static constexpr size_t kBufferSize = 40000;

    std::streambuf& source_;
    std::unique_ptr<char[]> buffer_;
    uint64_t read_ = 0;
    PackCheck check_;
    bool reachedEnd_ = false;
    bool readFailed_ = false;
};

// Reads the bytes [start, start + length) of source and nothing beyond, so
// that a decoder meets the end of its input where an entry's stored data end.
// Each piece is sought and read under lock, and nothing else of source is
// kept between pieces: several readers may share one source, each reading a
// range of its own. A source that cannot be sought or read gives the end of
// the input there.
class PackRangeBuf : public std::streambuf {
public:
    PackRangeBuf(std::streambuf& source, std::mutex& lock, uint64_t start, uint64_t length);

    // Bytes of the range the reader has not taken.
    uint64_t Remaining() const { return unfetched_ + static_cast<uint64_t>(egptr() - gptr()); }
    // source could not be sought or ended before the range did.
    bool SourceFailed() const { return sourceFailed_; }

protected:
    int_type underflow() override;

private:
    static constexpr size_t kBufferSize = 40000;

    std::streambuf& source_;
    std::mutex& lock_;
    std::unique_ptr<char[]> buffer_;
    uint64_t next_;       // position of the next piece in source
    uint64_t unfetched_;  // bytes of the range not yet read from source
    bool sourceFailed_ = false;
};
