#include "pack/pack_byte_streams.h"

#include <algorithm>
#include <new>

bool PackCountingSink::Write(const void* data, size_t size) {
    if (!target_.Write(data, size)) return false;
    written_ += size;
    return true;
}

PackCheckingSource::PackCheckingSource(ByteSource& source)
    : source_(source), buffer_(new (std::nothrow) uint8_t[kBufferSize]) {}

bool PackCheckingSource::Refill() {
    if (reachedEnd_) return false;
    const size_t got = buffer_ ? source_.Read(buffer_.get(), kBufferSize) : 0;
    if (got == 0) {
        reachedEnd_ = true;
        if (!buffer_ || source_.Failed()) SetFailed();
        return false;
    }
    check_.Update(buffer_.get(), got);
    read_ += got;
    SetWindow(buffer_.get(), got);
    return true;
}

PackRangeSource::PackRangeSource(SeekableFile& file, std::mutex& lock, uint64_t start,
                                 uint64_t length)
    : file_(file),
      lock_(lock),
      bufferSize_(static_cast<size_t>(std::min<uint64_t>(length, kBufferSize))),
      next_(start),
      unfetched_(length) {}

bool PackRangeSource::Refill() {
    if (unfetched_ == 0 || Failed()) return false;
    // A small entry gets a buffer of its own size.
    if (!buffer_) buffer_.reset(new (std::nothrow) uint8_t[bufferSize_]);
    const auto wanted = static_cast<size_t>(std::min<uint64_t>(unfetched_, bufferSize_));
    size_t got = 0;
    bool read = false;
    if (buffer_) {
        const std::lock_guard<std::mutex> hold(lock_);
        read = file_.Seek(next_) && file_.Read(buffer_.get(), wanted, got);
    }
    if (!read || got == 0) {
        SetFailed();
        unfetched_ = 0;
        return false;
    }
    next_ += got;
    unfetched_ -= got;
    SetWindow(buffer_.get(), got);
    return true;
}
