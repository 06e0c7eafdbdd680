#include "pack/pack_decoder_pool.h"

#include <new>
#include <utility>

BlockDecoderPool::Lease::Lease(BlockDecoderPool& pool, std::unique_ptr<BlockDecoder> decoder)
    : pool_(pool), decoder_(std::move(decoder)) {}

BlockDecoderPool::Lease::~Lease() {
    if (decoder_) pool_.PutBack(std::move(decoder_));
}

BlockDecoderPool::Lease BlockDecoderPool::Take() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!idle_.empty()) {
            std::unique_ptr<BlockDecoder> decoder = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(decoder));
        }
    }
    return Lease(*this, std::unique_ptr<BlockDecoder>(new (std::nothrow) BlockDecoder));
}

size_t BlockDecoderPool::IdleCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return idle_.size();
}

void BlockDecoderPool::PutBack(std::unique_ptr<BlockDecoder> decoder) {
    std::lock_guard<std::mutex> hold(lock_);
    // A decoder that cannot be kept goes with its storage.
    try {
        idle_.push_back(std::move(decoder));
    } catch (const std::bad_alloc&) {
    }
}
