// Byte sources and sinks: how the codecs and the pack take and hand on bytes.
//
// A ByteSource hands out the bytes of something in order, a window at a
// time: the bytes it holds already are taken inline (ReadByte costs a
// compare and a load), and only an empty window calls the one virtual
// function, Refill. So a decoder may take one byte at a time and still be
// left exactly after the last byte it took. A source tells the end of its
// bytes from a failure to read them (Failed).
//
// A ByteSink takes bytes in order, a piece at a time, and says when it
// refuses them.
//
// Neither throws: a failure is a result. Objects are not shared between
// threads unless a class says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Copies up to size bytes into data and returns how many it copied:
    // fewer than size only when the source ended or failed (Failed tells
    // which). data may be null when size is 0.
    size_t Read(void* data, size_t size);

    // The next byte (0 to 255), or -1 when the source ended or failed.
    int ReadByte() { return next_ != end_ ? *next_++ : ReadByteSlow(); }

    // True when no byte follows: the source ended or failed. Takes nothing.
    bool AtEnd() { return next_ == end_ && !Refill(); }

    // A read failed (as against the source reaching its end); stays set.
    bool Failed() const { return failed_; }

    // For a reader that takes several bytes at once: the bytes of the current
    // window not yet taken, without taking them and without refilling (so
    // available may be 0 before the end). Skip takes count of them (at most
    // available). Unread puts back the last count bytes taken, all of which
    // must have come from the current window (taken since the last refill),
    // so a reader that looked ahead can leave the source right after the
    // last byte it used.
    const uint8_t* Peek(size_t& available) const {
        available = Buffered();
        return next_;
    }
    void Skip(size_t count) { next_ += count; }
    void Unread(size_t count) { next_ -= count; }

protected:
    ByteSource() = default;

    // Makes the next bytes the window (SetWindow, at least one byte) and
    // returns true; false when there are none, after SetFailed when that is
    // because a read failed.
    virtual bool Refill() = 0;

    // Called by Read with an empty window and a request of at least
    // kLargeRead bytes: a source that can put its bytes straight into data
    // does so here. Returns the bytes copied (fewer than size only at the end
    // or on a failure). By default goes through Refill.
    virtual size_t ReadLarge(uint8_t* data, size_t size);

    static constexpr size_t kLargeRead = 64 * 1024;

    void SetWindow(const uint8_t* data, size_t size) {
        next_ = data;
        end_ = data + size;
    }
    void SetFailed() { failed_ = true; }
    // Bytes of the window not yet taken.
    size_t Buffered() const { return static_cast<size_t>(end_ - next_); }

private:
    int ReadByteSlow();

    const uint8_t* next_ = nullptr;
    const uint8_t* end_ = nullptr;
    bool failed_ = false;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;

    // Takes the next size bytes, all of them, and returns true; false when
    // it refuses them (then nothing more is taken). size may be 0.
    virtual bool Write(const void* data, size_t size) = 0;

    // Passes on whatever is held for the target; false when that fails.
    virtual bool Flush() { return true; }

    // A sink that keeps its bytes in one piece of memory may let a producer
    // put them there itself, sparing a copy: Space returns where the next
    // byte goes and sets room to how many fit from there (the same until the
    // next Commit or Write); by default null, with room 0. Commit then takes
    // the count (at most room) bytes put there as Write would take them;
    // false when it refuses them (the default refuses everything).
    virtual uint8_t* Space(size_t& room) {
        room = 0;
        return nullptr;
    }
    virtual bool Commit(size_t count) { return count == 0; }
};

// The bytes [data, data + size) of memory the caller keeps alive.
class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, size_t size);
    explicit MemorySource(const std::string& bytes) : MemorySource(bytes.data(), bytes.size()) {}

    // Bytes not yet read.
    size_t Remaining() const { return Buffered(); }

protected:
    bool Refill() override { return false; }
};

// Takes the bytes and keeps none: for data that are decoded only to be checked.
class DiscardingSink final : public ByteSink {
public:
    bool Write(const void*, size_t) override { return true; }
};

// Keeps every byte, in order, in bytes.
class StringSink final : public ByteSink {
public:
    bool Write(const void* data, size_t size) override {
        bytes.append(static_cast<const char*>(data), size);
        return true;
    }
    std::string bytes;
};
