#include "pack/pack_stream_bufs.h"

#include <algorithm>
#include <cstring>
#include <ios>

PackSinkBuf::int_type PackSinkBuf::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    const int_type put = target_.sputc(traits_type::to_char_type(ch));
    if (traits_type::eq_int_type(put, traits_type::eof())) return put;
    ++written_;
    return ch;
}

std::streamsize PackSinkBuf::xsputn(const char* data, std::streamsize count) {
    const std::streamsize put = target_.sputn(data, count);
    if (put > 0) written_ += static_cast<uint64_t>(put);
    return put;
}

int PackSinkBuf::sync() {
    return target_.pubsync();
}

PackSourceBuf::PackSourceBuf(std::streambuf& source)
    : source_(source), buffer_(new char[kBufferSize]) {
    setg(buffer_.get(), buffer_.get(), buffer_.get());
}

PackSourceBuf::int_type PackSourceBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (reachedEnd_) return traits_type::eof();
    // Keep the last byte handed out in front of the new ones, so that the
    // block codec can put it back across a refill.
    char* start = buffer_.get();
    size_t kept = 0;
    if (egptr() > eback()) {
        start[0] = egptr()[-1];
        kept = 1;
    }
    std::streamsize got = 0;
    try {
        got = source_.sgetn(start + kept, static_cast<std::streamsize>(kBufferSize - kept));
    } catch (...) {
        readFailed_ = true;
    }
    if (got <= 0) {
        reachedEnd_ = true;
        setg(start, start + kept, start + kept);
        return traits_type::eof();
    }
    check_.Update(start + kept, static_cast<size_t>(got));
    read_ += static_cast<uint64_t>(got);
    setg(start, start + kept, start + kept + got);
    return traits_type::to_int_type(*gptr());
}

PackRangeBuf::PackRangeBuf(std::streambuf& source, std::mutex& lock, uint64_t start,
                           uint64_t length)
    : source_(source), lock_(lock), buffer_(new char[kBufferSize]), next_(start), unfetched_(length) {
    setg(buffer_.get(), buffer_.get(), buffer_.get());
}

PackRangeBuf::int_type PackRangeBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (unfetched_ == 0) return traits_type::eof();
    const auto wanted = static_cast<std::streamsize>(std::min<uint64_t>(unfetched_, kBufferSize));
    std::streamsize got = 0;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        const auto position = static_cast<std::streamoff>(next_);
        try {
            if (source_.pubseekpos(position, std::ios::in) == std::streampos(position))
                got = source_.sgetn(buffer_.get(), wanted);
        } catch (...) {
            got = 0;
        }
    }
    if (got <= 0) {
        sourceFailed_ = true;
        unfetched_ = 0;
        return traits_type::eof();
    }
    next_ += static_cast<uint64_t>(got);
    unfetched_ -= static_cast<uint64_t>(got);
    setg(buffer_.get(), buffer_.get(), buffer_.get() + got);
    return traits_type::to_int_type(*gptr());
}
