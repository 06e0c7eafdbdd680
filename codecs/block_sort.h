// Sorting the rotations of a block (the compressor's block sort).
//
// The block of n bytes is cyclic: rotation i is block[i], block[i+1], ...,
// block[i-1]. Rotations are ordered lexicographically, bytes unsigned.
// Identical rotations (a block made of a repeated string) may stand in any
// order among themselves.
#pragma once

#include <cstdint>

// Blocks of up to this many bytes are shell-sorted directly.
constexpr uint32_t kSmallBlockLimit = 1024;

// The keys area needs this many entries beyond the block.
constexpr uint32_t kKeyOverhang = 16;

// Entries of the bucket table: one per two-byte bucket, and the end.
constexpr uint32_t kBucketTableSize = 65537;

// A sorted order entry holds the start of its rotation in the low 24 bits and
// the byte before that start (the rotation's last byte, block[start - 1], or
// block[n - 1] for start 0) in the top 8: the coder reads the last column in
// sequence instead of at the rotations' scattered starts.
constexpr uint32_t kRotationStartBits = 24;
constexpr uint32_t kRotationStartMask = (1u << kRotationStartBits) - 1;

inline uint32_t rotationStart(uint32_t entry) {
    return entry & kRotationStartMask;
}
inline uint8_t lastByteOfRotation(uint32_t entry) {
    return uint8_t(entry >> kRotationStartBits);
}

// Sorts the rotations of the block held in the top bytes of keys[0, n)
// (1 <= n < 2^24; keys has n + kKeyOverhang entries, buckets
// kBucketTableSize). Afterwards order[r] is the entry of the rotation of rank
// r (its start and its last byte, as above), the top bytes of keys still
// hold the block (the low 24 bits are scratch), and the return value is the
// origin pointer: the rank of rotation 0.
uint32_t sortRotations(uint32_t* keys, uint32_t* order, uint32_t* buckets, uint32_t n);

// The parts of sortRotations, for tests.

// Shell sort comparing rotations byte by byte (small blocks); order holds
// bare starts.
void shellSortRotations(const uint32_t* keys, uint32_t* order, uint32_t n);

// Builds the four-byte keys and the overhang, and the two-byte radix split
// into order (bare starts) and buckets (n > 3).
void splitIntoBuckets(uint32_t* keys, uint32_t* order, uint32_t* buckets, uint32_t n);

// Sorts every two-byte bucket: first-byte groups smallest first, and within
// a group its buckets smallest first; once a group is in order, the buckets
// ending in its byte follow from it by one scan instead of being sorted.
// Each sorted bucket's ranks go into the low 16 bits of its keys, which cuts
// short later comparisons that reach it. Once it has sorted them all, every
// entry of order carries its rotation's last byte (as sortRotations leaves
// them); the scans that derive buckets read those bytes anyway. Gives up (returns false, order
// partly sorted) once its comparisons have stepped through more than
// workBudget 16-byte stretches: long exact repeats would make it quadratic.
// distinctRotations (no two rotations identical) lets it use a quicksort
// that is faster but would put identical rotations in another order.
bool gradedBucketSort(uint32_t* keys, uint32_t* order, const uint32_t* buckets, uint32_t n,
                      uint64_t workBudget, bool distinctRotations = false);

// Whether two rotations of the block in the top bytes of keys[0, n) are
// identical, that is whether the block is a shorter string repeated.
bool hasIdenticalRotations(const uint32_t* keys, uint32_t n);

// Sorts the rotations of block[0, n) in time linear in n whatever the block
// holds (the fallback for repetitive blocks); order holds bare starts. Uses
// up to about 4n bytes of its own.
void sortRotationsBySuffixes(const uint8_t* block, uint32_t* order, uint32_t n);
