#include "codecs/block_sort.h"

#include <cassert>
#include <cstring>
#include <utility>
#include <vector>

#include "foundation/runtime_error.h"

namespace {

inline uint8_t blockByte(const uint32_t* keys, uint32_t i) {
    return uint8_t(keys[i] >> 24);
}

// ---- small blocks ------------------------------------------------------------

// Compares rotations a and b byte by byte, for at most n bytes.
int compareRotationBytes(const uint32_t* keys, uint32_t n, uint32_t a, uint32_t b) {
    for (uint32_t k = 0; k < n; ++k) {
        const uint8_t x = blockByte(keys, a);
        const uint8_t y = blockByte(keys, b);
        if (x != y) return x < y ? -1 : 1;
        if (++a == n) a = 0;
        if (++b == n) b = 0;
    }
    return 0;
}

// ---- large blocks --------------------------------------------------------------

// Compares rotations through their keys, 16 bytes per step. A key holds four
// bytes of context, or two bytes and the rank within an already sorted bucket,
// which decides the comparison at once.
class RotationComparer {
public:
    RotationComparer(const uint32_t* keys, uint32_t n, uint64_t workBudget)
        : keys_(keys), n_(n), workLeft_(workBudget) {}

    // Once the budget is spent every pair compares equal, so the sort that is
    // running finishes quickly; its result is then thrown away.
    int compare(uint32_t a, uint32_t b) {
        if (workLeft_ == 0) return 0;
        const uint32_t start = a;
        do {
            --workLeft_;
            for (uint32_t k = 0; k < 16; k += 4) {
                const uint32_t x = keys_[a + k];
                const uint32_t y = keys_[b + k];
                if (x != y) return x < y ? -1 : 1;
            }
            a += 16;
            b += 16;
            if (a >= n_) a -= n_;
            if (b >= n_) b -= n_;
        } while (a != start && workLeft_ != 0);
        return 0;
    }
    bool greater(uint32_t a, uint32_t b) { return compare(a, b) > 0; }
    bool less(uint32_t a, uint32_t b) { return compare(a, b) < 0; }
    bool exhausted() const { return workLeft_ == 0; }

private:
    const uint32_t* keys_;
    uint32_t n_;
    uint64_t workLeft_;
};

constexpr int kQuickSortStackSize = 40;
constexpr int32_t kInsertionSortSpan = 10;  // ranges of up to 11 elements

// An equal rotation stops the shift, so equal rotations keep their order.
void insertionSortRange(RotationComparer& cmp, uint32_t* order, int32_t lo, int32_t hi) {
    for (int32_t i = lo + 1; i <= hi; ++i) {
        const uint32_t v = order[i];
        int32_t j = i;
        while (j > lo && cmp.greater(order[j - 1], v)) {
            order[j] = order[j - 1];
            --j;
        }
        order[j] = v;
    }
}

// Quicksort with median-of-three; the smaller part is sorted first and the
// larger one waits on the stack, so the stack stays below log2 of the size.
void sortBucket(RotationComparer& cmp, uint32_t* order, int32_t lo, int32_t hi) {
    struct Range {
        int32_t lo, hi;
    };
    Range stack[kQuickSortStackSize];
    int depth = 0;
    for (;;) {
        while (hi - lo > kInsertionSortSpan) {
            const int32_t mid = (lo + hi) / 2;
            if (cmp.greater(order[lo], order[mid])) std::swap(order[lo], order[mid]);
            if (cmp.greater(order[lo], order[hi])) std::swap(order[lo], order[hi]);
            if (cmp.greater(order[mid], order[hi])) std::swap(order[mid], order[hi]);
            std::swap(order[mid], order[hi - 1]);
            const uint32_t pivot = order[hi - 1];
            // order[lo] <= pivot and the pivot itself bound the scans.
            int32_t i = lo;
            int32_t j = hi - 1;
            for (;;) {
                while (cmp.less(order[++i], pivot)) {
                }
                do
                    --j;
                while (j > lo && cmp.greater(order[j], pivot));
                if (i >= j) break;
                std::swap(order[i], order[j]);
            }
            std::swap(order[i], order[hi - 1]);
            assert(depth < kQuickSortStackSize);
            if (hi - i < i - lo) {
                stack[depth++] = Range{lo, i - 1};
                lo = i + 1;
            } else {
                stack[depth++] = Range{i + 1, hi};
                hi = i - 1;
            }
        }
        insertionSortRange(cmp, order, lo, hi);
        if (depth == 0) return;
        --depth;
        lo = stack[depth].lo;
        hi = stack[depth].hi;
    }
}

// After a bucket is sorted its members' keys keep the two bytes of the bucket
// and take their rank in the low 16 bits.
void rankSortedBucket(uint32_t* keys, const uint32_t* order, uint32_t n, uint32_t lo,
                      uint32_t size) {
    for (uint32_t r = 0; r < size; ++r) {
        const uint32_t position = order[lo + r];
        const uint32_t ranked = (keys[position] & 0xFFFF0000u) | r;
        keys[position] = ranked;
        if (position < kKeyOverhang) keys[n + position] = ranked;
    }
}

}  // namespace

void shellSortRotations(const uint32_t* keys, uint32_t* order, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i)
        order[i] = i;
    uint32_t h = 1;
    while (h <= n)
        h = 3 * h + 1;
    for (h /= 3; h >= 1; h /= 3) {
        if (h > n - 1) continue;
        for (uint32_t i = h; i < n; ++i) {
            const uint32_t v = order[i];
            uint32_t j = i;
            while (j >= h && compareRotationBytes(keys, n, order[j - h], v) > 0) {
                order[j] = order[j - h];
                j -= h;
            }
            order[j] = v;
        }
    }
}

void splitIntoBuckets(uint32_t* keys, uint32_t* order, uint32_t* buckets, uint32_t n) {
    assert(n > 3);
    // Each key becomes the first four bytes of its rotation, big-endian. Only
    // the low 24 bits are rewritten, so the top bytes read here stay the
    // block's bytes even after the wrap.
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t i1 = i + 1 < n ? i + 1 : i + 1 - n;
        const uint32_t i2 = i + 2 < n ? i + 2 : i + 2 - n;
        const uint32_t i3 = i + 3 < n ? i + 3 : i + 3 - n;
        keys[i] = (keys[i] & 0xFF000000u) | (keys[i1] >> 24) << 16 | (keys[i2] >> 24) << 8 |
                  (keys[i3] >> 24);
    }
    for (uint32_t i = 0; i < kKeyOverhang; ++i)
        keys[n + i] = keys[i % n];

    std::memset(buckets, 0, kBucketTableSize * sizeof(uint32_t));
    for (uint32_t i = 0; i < n; ++i)
        ++buckets[keys[i] >> 16];
    for (uint32_t k = 1; k < kBucketTableSize - 1; ++k)
        buckets[k] += buckets[k - 1];
    buckets[kBucketTableSize - 1] = n;
    for (uint32_t i = 0; i < n; ++i)
        order[--buckets[keys[i] >> 16]] = i;
}

bool gradedBucketSort(uint32_t* keys, uint32_t* order, const uint32_t* buckets, uint32_t n,
                      uint64_t workBudget) {
    struct Band {
        uint32_t smallest, largest;
    };
    static const Band kBands[] = {
        {2, 15}, {16, 255}, {256, 4095}, {4096, 65535}, {65536, 900000},
    };
    RotationComparer cmp(keys, n, workBudget);
    for (const Band& band : kBands) {
        if (n < band.smallest) continue;
        for (uint32_t k = 0; k + 1 < kBucketTableSize; ++k) {
            const uint32_t lo = buckets[k];
            const uint32_t size = buckets[k + 1] - lo;
            if (size < band.smallest || size > band.largest) continue;
            sortBucket(cmp, order, int32_t(lo), int32_t(lo + size - 1));
            if (cmp.exhausted()) return false;
            if (size < 65535) rankSortedBucket(keys, order, n, lo, size);
        }
    }
    return true;
}

uint32_t sortRotations(uint32_t* keys, uint32_t* order, uint32_t* buckets, uint32_t n) {
    if (n <= kSmallBlockLimit) {
        shellSortRotations(keys, order, n);
    } else {
        splitIntoBuckets(keys, order, buckets, n);
        const uint64_t workBudget = uint64_t(n) * 30;
        if (!gradedBucketSort(keys, order, buckets, n, workBudget)) {
            std::vector<uint8_t> block(n);
            for (uint32_t i = 0; i < n; ++i)
                block[i] = blockByte(keys, i);
            sortRotationsBySuffixes(block.data(), order, n);
        }
    }
    for (uint32_t r = 0; r < n; ++r) {
        if (order[r] == 0) return r;
    }
    fatalRunTimeError("compress", __LINE__, "sortRotations");
}
