// Fallback block sort for blocks full of long repeats, linear in the block
// size whatever it holds.
//
// A string that is strictly smaller than all its other rotations (a Lyndon
// word) has no border, and for such a string the order of its rotations is
// the order of its suffixes: where one suffix is a prefix of another, the
// shorter one's rotation continues with the whole word, which is smaller than
// any of its proper suffixes. So: take the block's primitive root (the block
// may be that root repeated), rotate the root to its smallest rotation, sort
// that string's suffixes by induced sorting (SA-IS), rotate the positions
// back and repeat them for every copy of the root.

#include <cstring>
#include <vector>

#include "codecs/block_sort.h"

namespace {

constexpr uint32_t kEmpty = 0xFFFFFFFFu;

// ---- suffix array by induced sorting ---------------------------------------
//
// Suffixes of s[0, n) in lexicographic order (a suffix that is a prefix of
// another is the smaller), with a virtual sentinel after s[n-1]. Suffixes
// are S-type when smaller than their successor, L-type otherwise; an LMS
// position is an S-type one right after an L-type one.

template <typename Symbol>
class InducedSorter {
public:
    InducedSorter(const Symbol* s, uint32_t* sa, uint32_t n, uint32_t alphabetSize)
        : s_(s), sa_(sa), n_(n), isS_(n), bucketSizes_(alphabetSize, 0), buckets_(alphabetSize) {}

    void run();

private:
    bool isLms(uint32_t i) const { return i > 0 && i < n_ && isS_[i] && !isS_[i - 1]; }
    void bucketStarts();
    void bucketEnds();
    void induce();
    bool sameLmsSubstring(uint32_t a, uint32_t b) const;

    const Symbol* s_;
    uint32_t* sa_;
    uint32_t n_;
    std::vector<uint8_t> isS_;
    std::vector<uint32_t> bucketSizes_;
    std::vector<uint32_t> buckets_;
};

template <typename Symbol>
void InducedSorter<Symbol>::bucketStarts() {
    uint32_t sum = 0;
    for (size_t c = 0; c < buckets_.size(); ++c) {
        buckets_[c] = sum;
        sum += bucketSizes_[c];
    }
}

template <typename Symbol>
void InducedSorter<Symbol>::bucketEnds() {
    uint32_t sum = 0;
    for (size_t c = 0; c < buckets_.size(); ++c) {
        sum += bucketSizes_[c];
        buckets_[c] = sum;
    }
}

// From the LMS suffixes at their buckets' ends: the L-type suffixes left to
// right, then the S-type ones right to left.
template <typename Symbol>
void InducedSorter<Symbol>::induce() {
    bucketStarts();
    // The sentinel comes first, and induces the last suffix (always L-type).
    sa_[buckets_[s_[n_ - 1]]++] = n_ - 1;
    for (uint32_t i = 0; i < n_; ++i) {
        const uint32_t j = sa_[i];
        if (j != kEmpty && j > 0 && !isS_[j - 1]) sa_[buckets_[s_[j - 1]]++] = j - 1;
    }
    bucketEnds();
    for (uint32_t i = n_; i-- > 0;) {
        const uint32_t j = sa_[i];
        if (j != kEmpty && j > 0 && isS_[j - 1]) sa_[--buckets_[s_[j - 1]]] = j - 1;
    }
}

// Compares the LMS substrings starting at a and b (up to and including the
// next LMS position), symbols and types alike.
template <typename Symbol>
bool InducedSorter<Symbol>::sameLmsSubstring(uint32_t a, uint32_t b) const {
    for (uint32_t d = 0;; ++d) {
        // Only the last LMS substring reaches the sentinel, which is unique.
        if (a + d == n_ || b + d == n_) return false;
        if (s_[a + d] != s_[b + d] || isS_[a + d] != isS_[b + d]) return false;
        if (d > 0) {
            const bool endA = isLms(a + d);
            const bool endB = isLms(b + d);
            if (endA || endB) return endA && endB;
        }
    }
}

template <typename Symbol>
void InducedSorter<Symbol>::run() {
    if (n_ == 1) {
        sa_[0] = 0;
        return;
    }
    isS_[n_ - 1] = 0;
    for (uint32_t i = n_ - 1; i-- > 0;) {
        isS_[i] = s_[i] < s_[i + 1] || (s_[i] == s_[i + 1] && isS_[i + 1]);
    }
    for (uint32_t i = 0; i < n_; ++i)
        ++bucketSizes_[s_[i]];

    // 1. Sort the LMS substrings: LMS positions at their buckets' ends, induce.
    std::fill(sa_, sa_ + n_, kEmpty);
    bucketEnds();
    for (uint32_t i = n_ - 1; i > 0; --i) {
        if (isLms(i)) sa_[--buckets_[s_[i]]] = i;
    }
    induce();

    // 2. Name them in sorted order; names go to sa_[lmsCount + position / 2]
    //    (LMS positions are at least two apart).
    uint32_t lmsCount = 0;
    for (uint32_t i = 0; i < n_; ++i) {
        if (isLms(sa_[i])) sa_[lmsCount++] = sa_[i];
    }
    std::fill(sa_ + lmsCount, sa_ + n_, kEmpty);
    uint32_t names = 0;
    uint32_t previous = kEmpty;
    for (uint32_t i = 0; i < lmsCount; ++i) {
        const uint32_t position = sa_[i];
        if (previous == kEmpty || !sameLmsSubstring(previous, position)) ++names;
        previous = position;
        sa_[lmsCount + position / 2] = names - 1;
    }
    // The reduced string, in text order, at the end of sa_.
    uint32_t* reduced = sa_ + n_ - lmsCount;
    for (uint32_t i = n_, j = n_; i-- > lmsCount;) {
        if (sa_[i] != kEmpty) sa_[--j] = sa_[i];
    }

    // 3. Sort the reduced string's suffixes into sa_[0, lmsCount).
    if (names < lmsCount) {
        InducedSorter<uint32_t>(reduced, sa_, lmsCount, names).run();
    } else {
        for (uint32_t i = 0; i < lmsCount; ++i)
            sa_[reduced[i]] = i;
    }

    // 4. Their order is the order of the LMS suffixes: place those at their
    //    buckets' ends, last first, and induce the rest.
    for (uint32_t i = 1, j = 0; i < n_; ++i) {
        if (isLms(i)) reduced[j++] = i;
    }
    for (uint32_t i = 0; i < lmsCount; ++i)
        sa_[i] = reduced[sa_[i]];
    std::fill(sa_ + lmsCount, sa_ + n_, kEmpty);
    bucketEnds();
    for (uint32_t i = lmsCount; i-- > 0;) {
        const uint32_t position = sa_[i];
        sa_[i] = kEmpty;
        sa_[--buckets_[s_[position]]] = position;
    }
    induce();
}

// ---- rotations ----------------------------------------------------------------

// The length of the shortest string whose repetition makes up block[0, n).
uint32_t primitiveRootLength(const uint8_t* block, uint32_t n, uint32_t* scratch) {
    // scratch[i] = length of the longest proper border of block[0, i].
    uint32_t* border = scratch;
    border[0] = 0;
    for (uint32_t i = 1; i < n; ++i) {
        uint32_t k = border[i - 1];
        while (k > 0 && block[i] != block[k])
            k = border[k - 1];
        border[i] = block[i] == block[k] ? k + 1 : k;
    }
    const uint32_t period = n - border[n - 1];
    return n % period == 0 ? period : n;
}

// Start of the smallest rotation of root[0, p) (two candidates that keep
// eliminating each other).
uint32_t smallestRotation(const uint8_t* root, uint32_t p) {
    uint32_t i = 0;
    uint32_t j = 1;
    uint32_t k = 0;
    while (i < p && j < p && k < p) {
        const uint8_t a = root[(i + k) % p];
        const uint8_t b = root[(j + k) % p];
        if (a == b) {
            ++k;
            continue;
        }
        if (a > b) {
            i += k + 1;
        } else {
            j += k + 1;
        }
        if (i == j) ++j;
        k = 0;
    }
    return i < j ? i : j;
}

}  // namespace

void sortRotationsBySuffixes(const uint8_t* block, uint32_t* order, uint32_t n) {
    if (n == 0) return;
    const uint32_t p = primitiveRootLength(block, n, order);
    const uint32_t shift = smallestRotation(block, p);
    std::vector<uint8_t> lyndon(p);
    for (uint32_t t = 0; t < p; ++t)
        lyndon[t] = block[(shift + t) % p];
    InducedSorter<uint8_t>(lyndon.data(), order, p, 256).run();

    // Rank r of the root's rotations stands for n / p identical rotations of
    // the block; spread from the back so nothing unread is overwritten.
    const uint32_t copies = n / p;
    for (uint32_t r = p; r-- > 0;) {
        uint32_t start = order[r] + shift;
        if (start >= p) start -= p;
        for (uint32_t c = copies; c-- > 0;)
            order[r * copies + c] = start + c * p;
    }
}
