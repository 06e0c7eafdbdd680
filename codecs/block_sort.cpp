#include "codecs/block_sort.h"

#include <cassert>
#include <cstring>
#include <utility>
#include <vector>

#include "foundation/runtime_error.h"

namespace {

// Sorted buckets smaller than this carry their ranks in the keys' low 16 bits.
constexpr uint32_t kRankedBucketLimit = 65535;

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

    // Compares rotations a and b whose first `known` bytes (a multiple of 4,
    // below 16) are already known to be equal. Rotations that agree on n
    // bytes are identical. Once the budget is spent every pair compares
    // equal, so the sort that is running finishes quickly; its result is
    // then thrown away.
    int compare(uint32_t a, uint32_t b, uint32_t known = 0) {
        // The partition meets the pivot itself; that needs no walk round the block.
        if (a == b) return 0;
        a = wrap(a + known);
        b = wrap(b + known);
        for (uint32_t compared = known; compared < n_; compared += 16) {
            if (workLeft_ == 0) return 0;
            --workLeft_;
            for (uint32_t k = 0; k < 16; k += 4) {
                const uint32_t x = keys_[a + k];
                const uint32_t y = keys_[b + k];
                if (x != y) return x < y ? -1 : 1;
            }
            a = wrap(a + 16);
            b = wrap(b + 16);
        }
        return 0;
    }
    bool exhausted() const { return workLeft_ == 0; }

private:
    uint32_t wrap(uint32_t i) const { return i >= n_ ? i - n_ : i; }

    const uint32_t* keys_;
    uint32_t n_;
    uint64_t workLeft_;
};

// A bucket member with the start of its comparison cached: the key's low 16
// bits, the next key and the top half of the one after (48 bits), so most
// comparisons stay within the bucket's own small array instead of reaching
// into the keys at two random places.
struct CachedRotation {
    uint64_t prefix;
    uint32_t position;
};

constexpr int kQuickSortStackSize = 40;
constexpr int32_t kInsertionSortSpan = 10;  // ranges of up to 11 elements

// An equal element stops the shift, so equal rotations keep their order.
template <typename Element, typename Compare>
void insertionSortRange(Element* items, int32_t lo, int32_t hi, Compare& compare) {
    for (int32_t i = lo + 1; i <= hi; ++i) {
        const Element v = items[i];
        int32_t j = i;
        while (j > lo && compare(items[j - 1], v) > 0) {
            items[j] = items[j - 1];
            --j;
        }
        items[j] = v;
    }
}

// Quicksort with median-of-three; the smaller part is sorted first and the
// larger one waits on the stack, so the stack stays below log2 of the size.
template <typename Element, typename Compare>
void quickSortRange(Element* items, int32_t lo, int32_t hi, Compare& compare) {
    struct Range {
        int32_t lo, hi;
    };
    Range stack[kQuickSortStackSize];
    int depth = 0;
    for (;;) {
        while (hi - lo > kInsertionSortSpan) {
            const int32_t mid = (lo + hi) / 2;
            if (compare(items[lo], items[mid]) > 0) std::swap(items[lo], items[mid]);
            if (compare(items[lo], items[hi]) > 0) std::swap(items[lo], items[hi]);
            if (compare(items[mid], items[hi]) > 0) std::swap(items[mid], items[hi]);
            std::swap(items[mid], items[hi - 1]);
            const Element pivot = items[hi - 1];
            // items[lo] <= pivot and the pivot itself bound the scans.
            int32_t i = lo;
            int32_t j = hi - 1;
            for (;;) {
                while (compare(items[++i], pivot) < 0) {
                }
                do
                    --j;
                while (j > lo && compare(items[j], pivot) > 0);
                if (i >= j) break;
                std::swap(items[i], items[j]);
            }
            std::swap(items[i], items[hi - 1]);
            assert(depth < kQuickSortStackSize);
            if (hi - i < i - lo) {
                stack[depth++] = Range{lo, i - 1};
                lo = i + 1;
            } else {
                stack[depth++] = Range{i + 1, hi};
                hi = i - 1;
            }
        }
        insertionSortRange(items, lo, hi, compare);
        if (depth == 0) return;
        --depth;
        lo = stack[depth].lo;
        hi = stack[depth].hi;
    }
}

// Sorts order[lo, lo + size) (one two-byte bucket).
void sortBucket(RotationComparer& cmp, const uint32_t* keys, uint32_t n, uint32_t* order,
                uint32_t lo, uint32_t size, std::vector<CachedRotation>& cache) {
    if (size > cache.size()) {
        auto compare = [&cmp](uint32_t a, uint32_t b) { return cmp.compare(a, b); };
        quickSortRange(order, int32_t(lo), int32_t(lo + size - 1), compare);
        return;
    }
    for (uint32_t i = 0; i < size; ++i) {
        const uint32_t a = order[lo + i];
        const uint32_t next = a + 4 < n ? a + 4 : a + 4 - n;
        cache[i].prefix =
            uint64_t(keys[a] & 0xFFFFu) << 48 | uint64_t(keys[next]) << 16 | keys[next + 4] >> 16;
        cache[i].position = a;
    }
    auto compare = [&cmp](const CachedRotation& x, const CachedRotation& y) {
        if (x.prefix != y.prefix) return x.prefix < y.prefix ? -1 : 1;
        return cmp.compare(x.position, y.position, 8);
    };
    quickSortRange(cache.data(), 0, int32_t(size - 1), compare);
    for (uint32_t i = 0; i < size; ++i)
        order[lo + i] = cache[i].position;
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
    uint32_t largestCached = 0;
    for (uint32_t k = 0; k + 1 < kBucketTableSize; ++k) {
        const uint32_t size = buckets[k + 1] - buckets[k];
        if (size > largestCached && size < kRankedBucketLimit) largestCached = size;
    }
    std::vector<CachedRotation> cache(largestCached);
    RotationComparer cmp(keys, n, workBudget);
    for (const Band& band : kBands) {
        if (n < band.smallest) continue;
        for (uint32_t k = 0; k + 1 < kBucketTableSize; ++k) {
            const uint32_t lo = buckets[k];
            const uint32_t size = buckets[k + 1] - lo;
            if (size < band.smallest || size > band.largest) continue;
            sortBucket(cmp, keys, n, order, lo, size, cache);
            if (cmp.exhausted()) return false;
            if (size < kRankedBucketLimit) rankSortedBucket(keys, order, n, lo, size);
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
