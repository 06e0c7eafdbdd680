// Block decoders kept between the entries a pack reads.
//
// A block decoder has about 4.5 MB of working storage, had when it first
// decodes. Made anew for every entry, that storage comes as fresh pages each
// time, a page fault for every 4 KiB touched (under Wine's heap, which maps
// every large block afresh, a good part of a whole installation's decoding).
// The pool hands each reading thread a decoder that an earlier entry left
// idle, so the storage is had once per thread that reads at the same time.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "codecs/block_codec.h"

class BlockDecoderPool {
public:
    // A decoder for the holder's use alone; back to the pool when it goes.
    class Lease {
    public:
        Lease(BlockDecoderPool& pool, std::unique_ptr<BlockDecoder> decoder);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        // Null only when no decoder could be made (out of memory).
        BlockDecoder* get() const { return decoder_.get(); }

    private:
        BlockDecoderPool& pool_;
        std::unique_ptr<BlockDecoder> decoder_;
    };

    Lease Take();
    size_t IdleCount() const;

private:
    void PutBack(std::unique_ptr<BlockDecoder> decoder);

    mutable std::mutex lock_;
    std::vector<std::unique_ptr<BlockDecoder>> idle_;
};
