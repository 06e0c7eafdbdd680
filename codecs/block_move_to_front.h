// The move-to-front list of the block codec: the compressor finds a byte in it
// and moves it to the front, the decoder moves the entry at a position.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "positionOf reads the list eight entries to a little-endian word");

class MoveToFrontList {
public:
    MoveToFrontList() {
        for (int i = 0; i < 256; ++i)
            slots_[i] = uint8_t(i);
    }

    uint8_t front() const { return slots_[0]; }

    // Where byte stands. With SSE2, 32 entries are compared per step (two
    // vector compares whose masks join in one word), so only positions from
    // 32 on take a second step; otherwise eight at a time in a word (a word
    // in which the matching entry becomes a zero byte; the lowest flagged
    // byte of the zero-byte test is always a true zero).
    unsigned positionOf(uint8_t byte) const {
        const uint8_t* const entries = slots_;
#if defined(__SSE2__)
        const __m128i pattern = _mm_set1_epi8(char(byte));
        for (unsigned at = 0;; at += 32) {
            const __m128i* const words = reinterpret_cast<const __m128i*>(entries + at);
            const __m128i low = _mm_load_si128(words);
            const __m128i high = _mm_load_si128(words + 1);
            const uint32_t matches =
                uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(low, pattern))) |
                uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(high, pattern))) << 16;
            if (matches != 0) return at + unsigned(__builtin_ctz(matches));
        }
#else
        constexpr uint64_t kOnes = 0x0101010101010101u;
        const uint64_t pattern = kOnes * byte;
        for (unsigned at = 0;; at += 8) {
            uint64_t word;
            std::memcpy(&word, entries + at, sizeof word);
            const uint64_t difference = word ^ pattern;
            const uint64_t zeros = (difference - kOnes) & ~difference & (kOnes << 7);
            if (zeros != 0) return at + unsigned(__builtin_ctzll(zeros)) / 8;
        }
#endif
    }

    // Moves the entry at position (0..255) to the front and returns it. Most
    // positions are near the front. With SSE2 the first 32 entries move in
    // two vector registers (each lane up to the position takes the entry
    // before it) and go back as the same two aligned stores that the next
    // search and move load: entries written in pieces of other sizes would
    // make those loads wait for the stores to reach the cache. Otherwise
    // fixed-width copies (the first 16 entries move up one place, then the
    // 16 behind the moved one are put back) replace a library call.
    uint8_t moveToFront(unsigned position) {
        uint8_t* const entries = slots_;
        const uint8_t byte = entries[position];
#if defined(__SSE2__)
        if (position < kVectorMove) {
            const __m128i lanes =
                _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
            const __m128i lanesHigh = _mm_add_epi8(lanes, _mm_set1_epi8(16));
            const __m128i limit = _mm_set1_epi8(char(position + 1));
            __m128i* const words = reinterpret_cast<__m128i*>(entries);
            const __m128i low = _mm_load_si128(words);
            const __m128i high = _mm_load_si128(words + 1);
            const __m128i lowMoved = _mm_or_si128(_mm_slli_si128(low, 1), _mm_cvtsi32_si128(byte));
            const __m128i highMoved = _mm_or_si128(_mm_slli_si128(high, 1), _mm_srli_si128(low, 15));
            const __m128i lowTaken = _mm_cmpgt_epi8(limit, lanes);
            const __m128i highTaken = _mm_cmpgt_epi8(limit, lanesHigh);
            _mm_store_si128(words, _mm_or_si128(_mm_and_si128(lowTaken, lowMoved),
                                                _mm_andnot_si128(lowTaken, low)));
            _mm_store_si128(words + 1, _mm_or_si128(_mm_and_si128(highTaken, highMoved),
                                                    _mm_andnot_si128(highTaken, high)));
            return byte;
        }
#else
        if (position < kShortMove) {
            uint8_t head[kShortMove];
            uint8_t behind[kShortMove];
            std::memcpy(head, entries, kShortMove);
            std::memcpy(behind, entries + position + 1, kShortMove);
            std::memcpy(entries + 1, head, kShortMove);
            std::memcpy(entries + position + 1, behind, kShortMove);
            entries[0] = byte;
            return byte;
        }
#endif
        std::memmove(entries + 1, entries, position);
        entries[0] = byte;
        return byte;
    }

private:
    static constexpr unsigned kShortMove = 16;
    static constexpr unsigned kVectorMove = 32;
    alignas(16) uint8_t slots_[256];
};
