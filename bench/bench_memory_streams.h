// Stream buffers over memory for the codec benchmark: the codecs take standard
// streams, and string streams would add a copy of every input and output to
// the times measured.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <streambuf>
#include <vector>

// Reads bytes that the caller keeps alive and unchanged while the buffer is
// used. Supports seeking, so tellg() and seekg() work on a stream over it.
class MemoryInputBuffer : public std::streambuf {
public:
    MemoryInputBuffer(const uint8_t* data, size_t size) {
        // The get area is only read from; std::streambuf wants non-const pointers.
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(data));
        setg(begin, begin, begin + size);
    }

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir,
                     std::ios_base::openmode which) override {
        if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
        off_type base = dir == std::ios_base::beg   ? 0
                        : dir == std::ios_base::cur ? gptr() - eback()
                                                    : egptr() - eback();
        off_type target = base + offset;
        if (target < 0 || target > egptr() - eback()) return pos_type(off_type(-1));
        setg(eback(), eback() + target, egptr());
        return pos_type(target);
    }

    pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
        return seekoff(off_type(position), std::ios_base::beg, which);
    }
};

// Collects everything written into a vector that grows as needed.
class GrowingOutputBuffer : public std::streambuf {
public:
    explicit GrowingOutputBuffer(size_t expected) : bytes_(std::max<size_t>(expected, 64)) {
        setp(bytes_.data(), bytes_.data() + bytes_.size());
    }

    const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(pbase()); }
    size_t size() const { return static_cast<size_t>(pptr() - pbase()); }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        grow(1);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }

    std::streamsize xsputn(const char* s, std::streamsize n) override {
        size_t count = static_cast<size_t>(n);
        if (static_cast<size_t>(epptr() - pptr()) < count) grow(count);
        std::memcpy(pptr(), s, count);
        advance(count);
        return n;
    }

private:
    void grow(size_t room) {
        size_t used = size();
        bytes_.resize(std::max(bytes_.size() * 2, used + room));
        setp(bytes_.data(), bytes_.data() + bytes_.size());
        advance(used);
    }

    // pbump takes an int; outputs here may not fit one in a single step.
    void advance(size_t count) {
        while (count > 0) {
            int step = static_cast<int>(std::min<size_t>(count, 1u << 30));
            pbump(step);
            count -= static_cast<size_t>(step);
        }
    }

    std::vector<char> bytes_;
};
