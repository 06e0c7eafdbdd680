// Byte sources and sinks for tests: one that owns its bytes, one that fails
// after some of them, ones that hand them out in small windows, one that
// refuses bytes beyond a limit.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

#include "foundation/byte_stream.h"

// The bytes of a string of its own; Consumed tells how many were read.
class StringSource final : public ByteSource {
public:
    explicit StringSource(std::string bytes) : bytes_(std::move(bytes)) {
        SetWindow(reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size());
    }
    size_t Consumed() const { return bytes_.size() - Buffered(); }

protected:
    bool Refill() override { return false; }

private:
    std::string bytes_;
};

// Hands out the first failAfter bytes of its string a byte at a time, then
// fails (as a disk whose read breaks off).
class FailingSource final : public ByteSource {
public:
    FailingSource(std::string bytes, size_t failAfter)
        : bytes_(std::move(bytes)), failAfter_(std::min(failAfter, bytes_.size())) {}
    size_t Consumed() const { return next_ - Buffered(); }

protected:
    bool Refill() override {
        if (next_ >= failAfter_) {
            SetFailed();
            return false;
        }
        SetWindow(reinterpret_cast<const uint8_t*>(bytes_.data()) + next_, 1);
        ++next_;
        return true;
    }

private:
    std::string bytes_;
    size_t failAfter_;
    size_t next_ = 0;
};

// Hands out its bytes a few at a time (1 to 7).
class TrickleSource final : public ByteSource {
public:
    explicit TrickleSource(std::string bytes) : bytes_(std::move(bytes)) {}

protected:
    bool Refill() override {
        if (next_ >= bytes_.size()) return false;
        const size_t count = std::min<size_t>(1 + next_ % 7, bytes_.size() - next_);
        SetWindow(reinterpret_cast<const uint8_t*>(bytes_.data()) + next_, count);
        next_ += count;
        return true;
    }

private:
    std::string bytes_;
    size_t next_ = 0;
};

// Hands out its bytes in windows of windowSize bytes (the last one may be
// shorter); after them it ends, or fails when told to.
class WindowedSource final : public ByteSource {
public:
    WindowedSource(std::string bytes, size_t windowSize, bool failsAtEnd = false)
        : bytes_(std::move(bytes)), windowSize_(windowSize), failsAtEnd_(failsAtEnd) {}
    size_t Consumed() const { return next_ - Buffered(); }

protected:
    bool Refill() override {
        if (next_ >= bytes_.size()) {
            if (failsAtEnd_) SetFailed();
            return false;
        }
        const size_t count = std::min(windowSize_, bytes_.size() - next_);
        SetWindow(reinterpret_cast<const uint8_t*>(bytes_.data()) + next_, count);
        next_ += count;
        return true;
    }

private:
    std::string bytes_;
    size_t windowSize_;
    bool failsAtEnd_;
    size_t next_ = 0;
};

// The bytes source has left, read to its end.
inline std::string readRest(ByteSource& source) {
    std::string rest;
    for (int byte; (byte = source.ReadByte()) >= 0;)
        rest += static_cast<char>(byte);
    return rest;
}

// Keeps up to room bytes; a write that goes beyond is refused whole. Counts
// flushes, and refuses them when told to.
class LimitedSink final : public ByteSink {
public:
    explicit LimitedSink(size_t room, bool flushFails = false)
        : room_(room), flushFails_(flushFails) {}
    bool Write(const void* data, size_t size) override {
        if (size > room_ - bytes.size()) return false;
        bytes.append(static_cast<const char*>(data), size);
        return true;
    }
    bool Flush() override {
        ++flushes;
        return !flushFails_;
    }
    std::string bytes;
    int flushes = 0;

private:
    size_t room_;
    bool flushFails_;
};
