#include "pack/pack_spill_store.h"

#include <algorithm>
#include <new>

#include "pack/pack_temp_file.h"

namespace {

constexpr size_t kCopyPieceSize = 256 * 1024;

}  // namespace

PackSpillStore::PackSpillStore(size_t memoryLimit) : memoryLimit_(memoryLimit) {}

PackSpillStore::~PackSpillStore() = default;

bool PackSpillStore::Write(const void* data, size_t size) {
    if (failed_) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    try {
        const size_t inMemory = spill_ ? 0 : std::min(size, memoryLimit_ - memory_.size());
        memory_.insert(memory_.end(), bytes, bytes + inMemory);
        size_ += inMemory;
        if (inMemory == size) return true;
        if (!spill_) {
            spill_ = std::make_unique<PackTempFile>();
            if (!spill_->IsOpen()) {
                failed_ = true;
                return false;
            }
        }
        if (!spill_->File().Write(bytes + inMemory, size - inMemory)) {
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

bool PackSpillStore::CopyTo(ByteSink& output) {
    if (failed_) return false;
    for (size_t done = 0; done < memory_.size();) {
        const size_t piece = std::min(memory_.size() - done, kCopyPieceSize);
        if (!output.Write(memory_.data() + done, piece)) return false;
        done += piece;
    }
    if (!spill_) return true;
    SeekableFile& file = spill_->File();
    if (!file.Flush() || !file.Seek(0)) return false;
    std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kCopyPieceSize]);
    if (!piece) return false;
    for (uint64_t left = Spilled(); left > 0;) {
        const auto wanted = static_cast<size_t>(std::min<uint64_t>(left, kCopyPieceSize));
        size_t got = 0;
        if (!file.Read(piece.get(), wanted, got) || got != wanted ||
            !output.Write(piece.get(), wanted))
            return false;
        left -= wanted;
    }
    return true;
}
