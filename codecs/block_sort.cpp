#include "codecs/block_sort.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Comparison steps (16 bytes each) per block byte before the bucket sort gives
// way to the suffix sort.
constexpr uint64_t kWorkBudgetPerByte = 3;

// How far ahead loops that follow order[] into keys[] prefetch.
constexpr uint32_t kPrefetchDistance = 48;

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
            // Which of the four keys differ, as bits, and the first of them:
            // one branch per 16 bytes instead of one per key, whose outcome
            // (which key decides) the data would leave to chance.
            const uint32_t* const x = keys_ + a;
            const uint32_t* const y = keys_ + b;
            const unsigned differing = unsigned(x[0] != y[0]) | unsigned(x[4] != y[4]) << 1 |
                                       unsigned(x[8] != y[8]) << 2 | unsigned(x[12] != y[12]) << 3;
            if (differing != 0) {
                const unsigned k = 4 * unsigned(__builtin_ctz(differing));
                return x[k] < y[k] ? -1 : 1;
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
    uint32_t more;  // the next 32 bits: bytes 10 to 13 (or the rank in place of 10 and 11)
    uint32_t position;
};

// Cached rotations are stored and swapped as whole 16-byte words. An element
// stored in two halves and loaded whole straight after (the partition does
// that whenever an element stays on the upper side, the insertion sort when
// the next element goes below the one just placed) would wait for the halves
// to reach the cache instead of being forwarded from the stores.
typedef uint64_t CachedRotationWords __attribute__((vector_size(16)));
static_assert(sizeof(CachedRotation) == sizeof(CachedRotationWords), "one word per element");

inline void storeWhole(CachedRotation* at, const CachedRotation& value) {
    CachedRotationWords word;
    std::memcpy(&word, &value, sizeof word);
    std::memcpy(at, &word, sizeof word);
}

inline void swapWhole(CachedRotation* a, CachedRotation* b) {
    CachedRotationWords x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    std::memcpy(a, &y, sizeof y);
    std::memcpy(b, &x, sizeof x);
}

// The same for the bare starts of the buckets too large for the cache.
inline void storeWhole(uint32_t* at, uint32_t value) {
    *at = value;
}
inline void swapWhole(uint32_t* a, uint32_t* b) {
    std::swap(*a, *b);
}

constexpr int kQuickSortStackSize = 40;
constexpr int32_t kInsertionSortSpan = 10;  // ranges of up to 11 elements

// An equal element stops the shift, so equal rotations keep their order.
template <typename Element, typename Compare>
void insertionSortRange(Element* items, int32_t lo, int32_t hi, Compare& compare) {
    for (int32_t i = lo + 1; i <= hi; ++i) {
        const Element v = items[i];
        int32_t j = i;
        while (j > lo && compare(items[j - 1], v) > 0) {
            storeWhole(&items[j], items[j - 1]);
            --j;
        }
        storeWhole(&items[j], v);
    }
}

// Orders items[lo], items[mid] and items[hi] (median of three).
template <typename Element, typename Compare>
void orderThree(Element* items, int32_t lo, int32_t mid, int32_t hi, Compare& compare) {
    if (compare(items[lo], items[mid]) > 0) swapWhole(&items[lo], &items[mid]);
    if (compare(items[lo], items[hi]) > 0) swapWhole(&items[lo], &items[hi]);
    if (compare(items[mid], items[hi]) > 0) swapWhole(&items[mid], &items[hi]);
}

// Quicksort: partition(items, lo, hi) splits a range around a pivot and
// returns where the pivot ends up. The smaller part is sorted first and the
// larger one waits on the stack, so the stack stays below log2 of the size.
// Small ranges are insertion-sorted. Stops early once spent() says so.
template <typename Element, typename Compare, typename Partition, typename Spent>
void quickSortWith(Element* items, int32_t lo, int32_t hi, Compare& compare, Partition partition,
                   Spent spent) {
    struct Range {
        int32_t lo, hi;
    };
    Range stack[kQuickSortStackSize];
    int depth = 0;
    for (;;) {
        while (hi - lo > kInsertionSortSpan) {
            if (spent()) return;
            const int32_t i = partition(items, lo, hi);
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

// Quicksort with median-of-three and scans from both ends.
template <typename Element, typename Compare>
void quickSortRange(Element* items, int32_t lo, int32_t hi, Compare& compare) {
    auto partition = [&compare](Element* items, int32_t lo, int32_t hi) {
        const int32_t mid = (lo + hi) / 2;
        orderThree(items, lo, mid, hi, compare);
        swapWhole(&items[mid], &items[hi - 1]);
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
            swapWhole(&items[i], &items[j]);
        }
        swapWhole(&items[i], &items[hi - 1]);
        return i;
    };
    quickSortWith(items, lo, hi, compare, partition, [] { return false; });
}

// Compares cached rotations: the cached bits first, then the keys from
// byte 12 on.
inline int compareCached(const CachedRotation& x, const CachedRotation& y, RotationComparer& cmp) {
    if (x.prefix != y.prefix) return x.prefix < y.prefix ? -1 : 1;
    if (x.more != y.more) return x.more < y.more ? -1 : 1;
    return cmp.compare(x.position, y.position, 12);
}

// Whether the cached rotation x is below the pivot: a comparison without a
// branch, unless both cached stretches are equal.
inline bool rotationBelow(const CachedRotation& x, const CachedRotation& pivot,
                          RotationComparer& cmp) {
    const bool samePrefix = x.prefix == pivot.prefix;
    if (__builtin_expect(samePrefix && x.more == pivot.more, 0))
        return cmp.compare(x.position, pivot.position, 12) < 0;
    return (x.prefix < pivot.prefix) | (samePrefix & (x.more < pivot.more));
}

// Quicksort for blocks whose rotations are all distinct, where any correct
// sort gives the one order there is: the partition (Lomuto's, every element
// moved whichever side it falls on) has no branch on the comparisons, which
// would be mispredicted half the time. Equal elements would make it
// quadratic; the only ones are those of a spent budget, which ends it.
void quickSortDistinct(CachedRotation* items, int32_t lo, int32_t hi, RotationComparer& cmp) {
    auto compare = [&cmp](const CachedRotation& x, const CachedRotation& y) {
        return compareCached(x, y, cmp);
    };
    auto partition = [&compare, &cmp](CachedRotation* items, int32_t lo, int32_t hi) {
        const int32_t mid = (lo + hi) / 2;
        orderThree(items, lo, mid, hi, compare);
        swapWhole(&items[mid], &items[hi]);
        const CachedRotation pivot = items[hi];
        int32_t store = lo;
        for (int32_t j = lo; j < hi; ++j) {
            const bool below = rotationBelow(items[j], pivot, cmp);
            swapWhole(&items[j], &items[store]);
            store += below;
        }
        swapWhole(&items[store], &items[hi]);
        return store;
    };
    quickSortWith(items, lo, hi, compare, partition, [&cmp] { return cmp.exhausted(); });
}

// Sorts order[lo, lo + size) (one two-byte bucket). With distinct rotations
// the cached members go through the branch-free quicksort.
void sortBucket(RotationComparer& cmp, const uint32_t* keys, uint32_t n, uint32_t* order,
                uint32_t lo, uint32_t size, std::vector<CachedRotation>& cache,
                bool distinctRotations) {
    if (size > cache.size()) {
        auto compare = [&cmp](uint32_t a, uint32_t b) { return cmp.compare(a, b); };
        quickSortRange(order, int32_t(lo), int32_t(lo + size - 1), compare);
        return;
    }
    for (uint32_t i = 0; i < size; ++i) {
        if (i + kPrefetchDistance < size) {
            // The four keys read span two cache lines more often than not.
            const uint32_t ahead = order[lo + i + kPrefetchDistance];
            __builtin_prefetch(&keys[ahead]);
            __builtin_prefetch(&keys[ahead + 12]);
        }
        const uint32_t a = order[lo + i];
        const uint32_t next = a + 4 < n ? a + 4 : a + 4 - n;
        cache[i].prefix =
            uint64_t(keys[a] & 0xFFFFu) << 48 | uint64_t(keys[next]) << 16 | keys[next + 4] >> 16;
        cache[i].more = keys[next + 4] << 16 | keys[next + 8] >> 16;
        cache[i].position = a;
    }
    auto compare = [&cmp](const CachedRotation& x, const CachedRotation& y) {
        return compareCached(x, y, cmp);
    };
    if (distinctRotations) {
        quickSortDistinct(cache.data(), 0, int32_t(size - 1), cmp);
    } else {
        quickSortRange(cache.data(), 0, int32_t(size - 1), compare);
    }
    for (uint32_t i = 0; i < size; ++i)
        order[lo + i] = cache[i].position;
}

// A member of a sorted bucket keeps the two bytes of the bucket in its key
// and takes its rank in the low 16 bits.
inline void setRank(uint32_t* keys, uint32_t n, uint32_t position, uint32_t rank) {
    const uint32_t ranked = (keys[position] & 0xFFFF0000u) | rank;
    keys[position] = ranked;
    if (position < kKeyOverhang) keys[n + position] = ranked;
}

void rankSortedBucket(uint32_t* keys, const uint32_t* order, uint32_t n, uint32_t lo,
                      uint32_t size) {
    for (uint32_t r = 0; r < size; ++r) {
        if (r + kPrefetchDistance < size)
            __builtin_prefetch(&keys[order[lo + r + kPrefetchDistance]]);
        setRank(keys, n, order[lo + r], r);
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
    // Each key becomes the first four bytes of its rotation, big-endian: its
    // own byte above the first three bytes of the next key. Built from the
    // end, starting from the (wrapped) key of position 0, and counted per
    // two-byte bucket on the way.
    std::memset(buckets, 0, kBucketTableSize * sizeof(uint32_t));
    uint32_t key =
        (keys[0] & 0xFF000000u) | (keys[1] >> 24) << 16 | (keys[2] >> 24) << 8 | (keys[3] >> 24);
    for (uint32_t i = n; i-- > 0;) {
        key = (keys[i] & 0xFF000000u) | key >> 8;
        keys[i] = key;
        ++buckets[key >> 16];
    }
    for (uint32_t i = 0; i < kKeyOverhang; ++i)
        keys[n + i] = keys[i % n];

    for (uint32_t k = 1; k < kBucketTableSize - 1; ++k)
        buckets[k] += buckets[k - 1];
    buckets[kBucketTableSize - 1] = n;
    for (uint32_t i = 0; i < n; ++i)
        order[--buckets[keys[i] >> 16]] = i;
}

namespace {

// Sorting state over the 65536 two-byte buckets ([first byte, second byte]).
class BucketSorter {
public:
    BucketSorter(uint32_t* keys, uint32_t* order, const uint32_t* buckets, uint32_t n,
                 uint64_t workBudget, bool distinctRotations)
        : keys_(keys),
          order_(order),
          buckets_(buckets),
          n_(n),
          distinctRotations_(distinctRotations),
          cmp_(keys, n, workBudget),
          sorted_(kBucketTableSize - 1) {
        uint32_t largestCached = 0;
        for (uint32_t k = 0; k + 1 < kBucketTableSize; ++k) {
            const uint32_t size = bucketSize(k);
            sorted_[k] = size <= 1;
            if (size > largestCached && size < kRankedBucketLimit) largestCached = size;
        }
        cache_.resize(largestCached);
    }

    bool run();

private:
    uint32_t bucketSize(uint32_t k) const { return buckets_[k + 1] - buckets_[k]; }
    uint32_t groupStart(uint32_t first) const { return buckets_[first << 8]; }
    uint32_t groupEnd(uint32_t first) const { return buckets_[(first + 1) << 8]; }
    uint8_t byteAt(uint32_t i) const { return uint8_t(keys_[i] >> 24); }
    // The derive scans read order_ in sequence but keys_ anywhere.
    void prefetchKeyBefore(int64_t i) const {
        if (i < 0 || i >= int64_t(n_)) return;
        const uint32_t position = rotationStart(order_[i]);
        __builtin_prefetch(&keys_[position == 0 ? n_ - 1 : position - 1]);
    }

    bool sortExplicitly(uint32_t k);
    void deriveBucketsEndingIn(uint32_t x);

    uint32_t* keys_;
    uint32_t* order_;
    const uint32_t* buckets_;
    uint32_t n_;
    bool distinctRotations_;
    RotationComparer cmp_;
    std::vector<uint8_t> sorted_;
    std::vector<CachedRotation> cache_;
};

bool BucketSorter::sortExplicitly(uint32_t k) {
    const uint32_t size = bucketSize(k);
    sortBucket(cmp_, keys_, n_, order_, buckets_[k], size, cache_, distinctRotations_);
    if (cmp_.exhausted()) return false;
    if (size < kRankedBucketLimit) rankSortedBucket(keys_, order_, n_, buckets_[k], size);
    sorted_[k] = 1;
    return true;
}

// Once every rotation starting with x is in order, so is every bucket [y, x]:
// rotation j - 1 belongs to [block[j - 1], x], and these come in the order of
// the rotations j. One scan from each end of x's group fills the buckets not
// yet sorted, [x, x] included: its members are met in the scan as it grows
// (from the left those below every [x, y > x], from the right the others).
// The scans read the byte before each rotation of the group, which is the
// group's last column: it goes into the entries as they are passed. A
// rotation placed in a bucket takes its rank there and then, while its key
// is at hand.
void BucketSorter::deriveBucketsEndingIn(uint32_t x) {
    int64_t fillFront[256];
    int64_t fillBack[256];
    uint32_t bucketStart[256];
    bool ranked[256];
    for (uint32_t y = 0; y < 256; ++y) {
        const uint32_t k = y << 8 | x;
        bucketStart[y] = buckets_[k];
        fillFront[y] = buckets_[k];
        fillBack[y] = int64_t(buckets_[k + 1]) - 1;
        ranked[y] = bucketSize(k) < kRankedBucketLimit;
    }
    const uint32_t self = x << 8 | x;
    if (sorted_[self]) {
        // Scan through it, fill nothing in it.
        fillFront[x] = buckets_[self + 1];
        fillBack[x] = int64_t(buckets_[self + 1]) - 1;
    }
    auto place = [this, &bucketStart, &ranked](uint8_t y, int64_t at, uint32_t j) {
        order_[at] = j;
        if (ranked[y]) setRank(keys_, n_, j, uint32_t(at - bucketStart[y]));
    };
    // Entries of [x, x] are filled ahead of the scan (beyond fillFront[x],
    // or below fillBack[x]), so each one is read before its byte is added.
    for (int64_t i = groupStart(x); i < fillFront[x]; ++i) {
        prefetchKeyBefore(i + kPrefetchDistance);
        const uint32_t start = order_[i];
        const uint32_t j = start == 0 ? n_ - 1 : start - 1;
        const uint8_t y = byteAt(j);
        order_[i] = start | uint32_t(y) << kRotationStartBits;
        if (!sorted_[uint32_t(y) << 8 | x]) place(y, fillFront[y]++, j);
    }
    for (int64_t i = int64_t(groupEnd(x)) - 1; i > fillBack[x]; --i) {
        prefetchKeyBefore(i - kPrefetchDistance);
        const uint32_t start = order_[i];
        const uint32_t j = start == 0 ? n_ - 1 : start - 1;
        const uint8_t y = byteAt(j);
        order_[i] = start | uint32_t(y) << kRotationStartBits;
        if (!sorted_[uint32_t(y) << 8 | x]) place(y, fillBack[y]--, j);
    }
    for (uint32_t y = 0; y < 256; ++y) {
        const uint32_t k = y << 8 | x;
        assert(sorted_[k] || fillFront[y] == fillBack[y] + 1);
        sorted_[k] = 1;
    }
}

bool BucketSorter::run() {
    // First-byte groups and, within a group, buckets smallest first: the ranks
    // of small sorted buckets shorten the comparisons in the larger ones.
    uint32_t groups[256];
    for (uint32_t x = 0; x < 256; ++x)
        groups[x] = x;
    std::stable_sort(groups, groups + 256, [this](uint32_t a, uint32_t b) {
        return groupEnd(a) - groupStart(a) < groupEnd(b) - groupStart(b);
    });
    for (uint32_t x : groups) {
        uint32_t pending[256];
        uint32_t count = 0;
        for (uint32_t y = 0; y < 256; ++y) {
            if (y != x && !sorted_[x << 8 | y]) pending[count++] = x << 8 | y;
        }
        std::stable_sort(pending, pending + count,
                         [this](uint32_t a, uint32_t b) { return bucketSize(a) < bucketSize(b); });
        for (uint32_t i = 0; i < count; ++i) {
            if (!sortExplicitly(pending[i])) return false;
        }
        const uint32_t self = x << 8 | x;
        // A group made only of [x, x] is a block of one byte value: nothing
        // outside it to derive it from.
        if (!sorted_[self] && bucketSize(self) == groupEnd(x) - groupStart(x)) {
            if (!sortExplicitly(self)) return false;
        }
        deriveBucketsEndingIn(x);
    }
    return true;
}

}  // namespace

bool gradedBucketSort(uint32_t* keys, uint32_t* order, const uint32_t* buckets, uint32_t n,
                      uint64_t workBudget, bool distinctRotations) {
    return BucketSorter(keys, order, buckets, n, workBudget, distinctRotations).run();
}

bool hasIdenticalRotations(const uint32_t* keys, uint32_t n) {
    // Then the block is its first n / q bytes repeated, for a prime q that
    // divides n.
    auto repeats = [keys, n](uint32_t period) {
        for (uint32_t i = 0; i + period < n; ++i) {
            if ((keys[i] ^ keys[i + period]) >> 24) return false;
        }
        return true;
    };
    uint32_t rest = n;
    for (uint32_t q = 2; q * q <= rest; ++q) {
        if (rest % q != 0) continue;
        if (repeats(n / q)) return true;
        while (rest % q == 0)
            rest /= q;
    }
    return rest > 1 && repeats(n / rest);
}

namespace {

// Adds each rotation's last byte to the bare starts in order.
void addLastBytes(const uint32_t* keys, uint32_t* order, uint32_t n) {
    for (uint32_t r = 0; r < n; ++r) {
        const uint32_t start = order[r];
        order[r] = start | uint32_t(blockByte(keys, start == 0 ? n - 1 : start - 1))
                               << kRotationStartBits;
    }
}

}  // namespace

uint32_t sortRotations(uint32_t* keys, uint32_t* order, uint32_t* buckets, uint32_t n) {
    assert(n >= 1 && n <= kRotationStartMask);
    if (n <= kSmallBlockLimit) {
        shellSortRotations(keys, order, n);
        addLastBytes(keys, order, n);
    } else {
        const bool distinctRotations = !hasIdenticalRotations(keys, n);
        splitIntoBuckets(keys, order, buckets, n);
        // Ordinary text and binaries need well under n comparison steps; long
        // exact repeats need up to n^2 / 16. Past the budget the linear-time
        // sort is cheaper than going on.
        const uint64_t workBudget = uint64_t(n) * kWorkBudgetPerByte;
        if (!gradedBucketSort(keys, order, buckets, n, workBudget, distinctRotations)) {
            std::vector<uint8_t> block(n);
            for (uint32_t i = 0; i < n; ++i)
                block[i] = blockByte(keys, i);
            sortRotationsBySuffixes(block.data(), order, n);
            addLastBytes(keys, order, n);
        }
    }
    // order is a permutation of the rotations: rotation 0 is in it.
    uint32_t origin = 0;
    while (origin + 1 < n && rotationStart(order[origin]) != 0)
        ++origin;
    assert(rotationStart(order[origin]) == 0);
    return origin;
}
