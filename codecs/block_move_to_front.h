// The move-to-front list of the block codec: the compressor finds a byte in it
// and moves it to the front, the decoder moves the entry at a position.
#pragma once

#include <cstdint>
#include <cstring>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "positionOf reads the list eight entries to a little-endian word");

class MoveToFrontList {
public:
    MoveToFrontList() {
        for (int i = 0; i < 256; ++i)
            slots_[i] = uint8_t(i);
    }

    uint8_t front() const { return slots_[0]; }

    // Where byte stands: eight entries are compared at once (a word in which
    // the matching entry becomes a zero byte; the lowest flagged byte of the
    // zero-byte test is always a true zero).
    unsigned positionOf(uint8_t byte) const {
        constexpr uint64_t kOnes = 0x0101010101010101u;
        const uint8_t* const entries = slots_;
        const uint64_t pattern = kOnes * byte;
        for (unsigned at = 0;; at += 8) {
            uint64_t word;
            std::memcpy(&word, entries + at, sizeof word);
            const uint64_t difference = word ^ pattern;
            const uint64_t zeros = (difference - kOnes) & ~difference & (kOnes << 7);
            if (zeros != 0) return at + unsigned(__builtin_ctzll(zeros)) / 8;
        }
    }

    // Moves the entry at position (0..255) to the front and returns it. Most
    // positions are near the front: for them fixed-width copies (the first 16
    // entries move up one place, then the 16 behind the moved one are put
    // back) replace a library call.
    uint8_t moveToFront(unsigned position) {
        uint8_t* const entries = slots_;
        const uint8_t byte = entries[position];
        if (position < kShortMove) {
            uint8_t head[kShortMove];
            uint8_t behind[kShortMove];
            std::memcpy(head, entries, kShortMove);
            std::memcpy(behind, entries + position + 1, kShortMove);
            std::memcpy(entries + 1, head, kShortMove);
            std::memcpy(entries + position + 1, behind, kShortMove);
        } else {
            std::memmove(entries + 1, entries, position);
        }
        entries[0] = byte;
        return byte;
    }

private:
    static constexpr unsigned kShortMove = 16;
    uint8_t slots_[256];
};
