#include "pack/pack_spill_store.h"

#include <algorithm>
#include <iostream>
#include <new>

#include "pack/pack_temp_file.h"

namespace {

constexpr size_t kCopyPieceSize = 40000;

}  // namespace

PackSpillStore::PackSpillStore(size_t memoryLimit) : memoryLimit_(memoryLimit) {}

PackSpillStore::~PackSpillStore() = default;

bool PackSpillStore::Append(const char* data, size_t size) {
    if (failed_) return false;
    try {
        const size_t inMemory = spill_ ? 0 : std::min(size, memoryLimit_ - memory_.size());
        memory_.insert(memory_.end(), data, data + inMemory);
        size_ += inMemory;
        if (inMemory == size) return true;
        if (!spill_) {
            spill_ = std::make_unique<PackTempFile>();
            if (!spill_->IsOpen()) {
                failed_ = true;
                return false;
            }
        }
        std::iostream& file = spill_->Stream();
        file.write(data + inMemory, static_cast<std::streamsize>(size - inMemory));
        if (file.fail()) {
            failed_ = true;
            return false;
        }
        size_ += size - inMemory;
        return true;
    } catch (const std::bad_alloc&) {
        failed_ = true;
        return false;
    }
}

PackSpillStore::int_type PackSpillStore::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    const char byte = traits_type::to_char_type(ch);
    return Append(&byte, 1) ? ch : traits_type::eof();
}

std::streamsize PackSpillStore::xsputn(const char* data, std::streamsize count) {
    return Append(data, static_cast<size_t>(count)) ? count : 0;
}

bool PackSpillStore::CopyEach(const std::function<bool(const char*, size_t)>& put) {
    if (failed_) return false;
    for (size_t done = 0; done < memory_.size();) {
        const size_t piece = std::min(memory_.size() - done, kCopyPieceSize);
        if (!put(memory_.data() + done, piece)) return false;
        done += piece;
    }
    if (!spill_) return true;
    std::iostream& file = spill_->Stream();
    file.flush();
    file.clear();
    file.seekg(0);
    if (file.fail()) return false;
    std::unique_ptr<char[]> piece(new (std::nothrow) char[kCopyPieceSize]);
    if (!piece) return false;
    for (uint64_t left = Spilled(); left > 0;) {
        const auto wanted = static_cast<std::streamsize>(std::min<uint64_t>(left, kCopyPieceSize));
        file.read(piece.get(), wanted);
        if (file.gcount() != wanted || !put(piece.get(), static_cast<size_t>(wanted))) return false;
        left -= static_cast<uint64_t>(wanted);
    }
    return true;
}

bool PackSpillStore::CopyTo(DecodeSink& output) {
    return CopyEach([&output](const char* data, size_t size) {
        return output.Put(reinterpret_cast<const uint8_t*>(data), size);
    });
}

bool PackSpillStore::CopyTo(std::streambuf& output) {
    return CopyEach([&output](const char* data, size_t size) {
        return output.sputn(data, static_cast<std::streamsize>(size)) ==
               static_cast<std::streamsize>(size);
    });
}
