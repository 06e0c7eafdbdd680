#include "codecs/lz_codec.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int kHistory = 8192;      // farthest distance a match may reach
constexpr int kMaxMatch = 256;      // longest match
constexpr int kShortReach = 255;    // farthest distance of a short match
constexpr int kShortMaxLength = 5;  // longest short match
constexpr int kLongMaxInline = 9;   // longest match whose length fits in b2
constexpr int kFlagsPerWord = 16;

// Progress is reported where the classic coder slides its 17664-byte window:
// first past 16384 bytes, then every 8192.
constexpr size_t kProgressFirst = 16384;
constexpr size_t kProgressStep = 8192;

// ---------------------------------------------------------------------------
// Encoder output: flag words followed by the data bytes of their items.

class FlagWriter {
public:
    explicit FlagWriter(ByteSink& out) : out_(out), buffer_(kBufferSize + kSlack) {
        reserveWord();
    }

    void literal(uint8_t byte) {
        flag(1);
        buffer_[used_++] = byte;
    }

    void match(int length, int distance) {
        assert(length >= 2 && length <= kMaxMatch && distance >= 1 && distance <= kHistory);
        flag(0);
        if (length <= kShortMaxLength && distance <= kShortReach) {
            int code = length - 2;
            flag(0);
            flag((code >> 1) & 1);
            flag(code & 1);
            buffer_[used_++] = static_cast<uint8_t>(256 - distance);
            return;
        }
        flag(1);
        int v = kHistory - distance;
        buffer_[used_++] = static_cast<uint8_t>(v & 0xFF);
        if (length <= kLongMaxInline) {
            buffer_[used_++] = static_cast<uint8_t>(((v >> 8) << 3) + (length - 2));
        } else {
            buffer_[used_++] = static_cast<uint8_t>((v >> 8) << 3);
            buffer_[used_++] = static_cast<uint8_t>(length - 1);
        }
    }

    // Writes the end marker and everything still held. Returns the stream's
    // size, or -1 if any write failed.
    long finish() {
        flag(0);
        flag(1);
        buffer_[used_++] = 1;
        buffer_[used_++] = 0;
        buffer_[used_++] = 0;
        // The decoder reads a word after every 16th flag, so the last word is
        // written even when it holds no flag.
        uint32_t last = flagCount_ ? word_ >> (kFlagsPerWord - flagCount_) : 0;
        storeWord(last);
        writeOut();
        return failed_ ? -1 : written_;
    }

    bool failed() const { return failed_; }

private:
    // A word holds at most 16 items of at most 3 data bytes each.
    static constexpr size_t kBufferSize = 16 * 1024;
    static constexpr size_t kSlack = 2 + kFlagsPerWord * 3;

    void flag(uint32_t bit) {
        word_ = (word_ >> 1) | (bit << 15);
        if (++flagCount_ == kFlagsPerWord) {
            storeWord(word_);
            word_ = 0;
            flagCount_ = 0;
            if (used_ >= kBufferSize) writeOut();
            reserveWord();
        }
    }

    // The word's place is kept in the buffer while its items' bytes follow it.
    void reserveWord() {
        wordAt_ = used_;
        used_ += 2;
    }

    void storeWord(uint32_t word) {
        buffer_[wordAt_] = static_cast<uint8_t>(word & 0xFF);
        buffer_[wordAt_ + 1] = static_cast<uint8_t>(word >> 8);
    }

    void writeOut() {
        if (!failed_ && used_ > 0) {
            if (!out_.Write(buffer_.data(), used_)) failed_ = true;
            written_ += static_cast<long>(used_);
        }
        used_ = 0;
    }

    ByteSink& out_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    size_t wordAt_ = 0;
    uint32_t word_ = 0;
    int flagCount_ = 0;
    long written_ = 0;
    bool failed_ = false;
};

// ---------------------------------------------------------------------------
// Encoder input and match search.
//
// The coder's output is fixed: at every item it takes the longest match
// (capped at 256 and at the bytes left) among all positions at most 8192 back,
// the nearest of equally long ones, and uses it when it is at least 2 long
// within 255 bytes or at least 3 long farther away. Any search that finds
// exactly that match gives the same stream. This one asks, longest first:
//   - a chain per 4-byte hash, walked to its end: every match of 4 or more
//     starts on it. Runs of one byte value (zero padding in executables) would
//     make this chain long, so a run is passed in one step: what a position
//     inside a run can match follows from the run's length and start.
//   - a chain per 3-byte hash, walked to its first exact hit: with no longer
//     match, the nearest 3-byte match is the answer.
//   - the latest position of every byte pair, for a longest match of 2.
// (A 5-byte chain halves the time on inputs of a tiny alphabet but costs more
// on executables and text than it saves.)

constexpr int32_t kNone = -1;  // no position

// Sizes of the search tables. Per-position data lives in rings indexed by
// position modulo ringSize: a slot reused by a newer position belongs to one
// more than 8192 back, where every search stops. Inputs that fit in the first
// read get tables sized to them, so small inputs cost little to set up.
struct TableSizes {
    int hashBits;
    int32_t ringSize;  // a power of two, above 8192 or at least the input's size
};

constexpr TableSizes kFullTables = {15, 2 * kHistory};

TableSizes tablesFor(int32_t inputSize) {
    TableSizes sizes = {6, 64};
    while (sizes.ringSize < inputSize && sizes.ringSize < kFullTables.ringSize) {
        sizes.ringSize *= 2;
    }
    while ((int32_t{1} << sizes.hashBits) < 2 * inputSize &&
           sizes.hashBits < kFullTables.hashBits) {
        ++sizes.hashBits;
    }
    return sizes;
}

uint32_t loadLittle32(const uint8_t* p) {
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Positions whose first Gram bytes hash alike, newest first.
template <int Gram>
class HashChain {
public:
    static_assert(Gram >= 2 && Gram <= 4, "hash covers 2 to 4 bytes");

    explicit HashChain(TableSizes sizes)
        : hashShift_(32 - sizes.hashBits),
          ringMask_(sizes.ringSize - 1),
          heads_(size_t{1} << sizes.hashBits, kNone),
          links_(static_cast<size_t>(sizes.ringSize), kNone) {}

    static bool sameGram(const uint8_t* a, const uint8_t* b) {
        if (Gram == 4) return loadLittle32(a) == loadLittle32(b);
        return a[0] == b[0] && a[1] == b[1] && (Gram == 2 || a[2] == b[2]);
    }

    void insert(int32_t pos, const uint8_t* at) {
        uint32_t h = hash(at);
        links_[pos & ringMask_] = heads_[h];
        heads_[h] = pos;
    }

    int32_t newest(const uint8_t* at) const { return heads_[hash(at)]; }
    int32_t before(int32_t pos) const { return links_[pos & ringMask_]; }

    // Nearest position at or above lowest with the same first Gram bytes.
    int32_t nearestExact(const uint8_t* window, int32_t pos, int32_t lowest) const {
        for (int32_t c = newest(window + pos); c >= lowest; c = before(c)) {
            if (sameGram(window + c, window + pos)) return c;
        }
        return kNone;
    }

    // The window slid by shift bytes: positions move down, older ones go.
    void lower(int32_t shift) {
        for (std::vector<int32_t>* table : {&heads_, &links_}) {
            for (int32_t& p : *table)
                p = p >= shift ? p - shift : kNone;
        }
    }

private:
    uint32_t hash(const uint8_t* p) const {
        uint32_t key = Gram == 4
                           ? loadLittle32(p)
                           : p[0] | (uint32_t{p[1]} << 8) | (Gram == 3 ? uint32_t{p[2]} << 16 : 0);
        return (key * 2654435761u) >> hashShift_;
    }

    int hashShift_;
    int32_t ringMask_;
    std::vector<int32_t> heads_;
    std::vector<int32_t> links_;
};

class MatchFinder {
public:
    struct Match {
        int length;  // 0 when the item is a literal
        int distance;
    };

    explicit MatchFinder(ByteSource& in)
        : in_(in),
          window_(kFirstRead),
          sizes_(startReading()),
          ringMask_(sizes_.ringSize - 1),
          longChain_(sizes_),
          chain3_(sizes_),
          pairs_(sizes_),
          runLength_(static_cast<size_t>(sizes_.ringSize)),
          runBack_(static_cast<size_t>(sizes_.ringSize)) {}

    // Makes sure enough bytes after pos are in the window (or the input has
    // ended), sliding the window if needed. Returns the possibly lowered pos.
    int32_t prepare(int32_t pos) {
        if (pos + kLookahead <= end_ || ended_) return pos;
        if (end_ == kWindowSize) pos -= slide(pos);
        fill();
        return pos;
    }

    int32_t end() const { return end_; }
    uint64_t base() const { return base_; }
    bool readFailed() const { return readFailed_; }
    uint8_t byteAt(int32_t pos) const { return window_[pos]; }

    // The match the coder uses at pos; positions before pos must be inserted.
    Match find(int32_t pos) const {
        int maxLength = std::min(end_ - pos, kMaxMatch);
        int32_t lowest = std::max(pos - kHistory, 0);
        const uint8_t* current = &window_[pos];
        if (maxLength >= kLongGram) {
            Match m = startsRun(current) ? findInRuns(pos, lowest, maxLength)
                                         : findOnLongChain(pos, lowest, maxLength);
            if (m.length) return m;
        }
        if (maxLength >= 3) {
            int32_t c = chain3_.nearestExact(window_.data(), pos, lowest);
            if (c != kNone) return {3, pos - c};
        }
        if (maxLength >= 2) {
            int32_t c = pairs_.nearestExact(window_.data(), pos, std::max(pos - kShortReach, 0));
            if (c != kNone) return {2, pos - c};
        }
        return {0, 0};
    }

    // Records pos as a match candidate for later positions; positions are
    // inserted in order.
    void insert(int32_t pos) {
        const uint8_t* at = &window_[pos];
        int32_t slot = pos & ringMask_;
        bool continuesRun = pos > 0 && window_[pos - 1] == at[0];
        int back = continuesRun ? std::min(runBack_[(pos - 1) & ringMask_] + 1, 0xFFFF) : 0;
        runBack_[slot] = static_cast<uint16_t>(back);
        runLength_[slot] = static_cast<uint16_t>(runLengthAt(pos, continuesRun));
        if (pos + 1 < end_) pairs_.insert(pos, at);
        if (pos + 2 < end_) chain3_.insert(pos, at);
        if (pos + 3 < end_) longChain_.insert(pos, at);
    }

private:
    static constexpr int kLongGram = 4;
    // Bytes needed after a position: its longest match, and the run lengths of
    // the positions inside that match.
    static constexpr int32_t kLookahead = 2 * kMaxMatch + 2;
    static constexpr int32_t kFirstRead = 1 << 15;
    static constexpr int32_t kWindowSize = 1 << 18;
    // Run lengths are kept up to one more than the longest match: beyond
    // that, only "longer than any match" matters.
    static constexpr int kRunCap = kMaxMatch + 1;

    // Reads the first piece of input and sizes the tables by it.
    TableSizes startReading() {
        fill();
        if (ended_) return tablesFor(end_);
        window_.resize(kWindowSize);
        fill();
        return kFullTables;
    }

    static bool startsRun(const uint8_t* p) {
        for (int k = 1; k < kLongGram; ++k) {
            if (p[k] != p[0]) return false;
        }
        return true;
    }

    static int commonLength(const uint8_t* a, const uint8_t* b, int limit) {
        int n = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        while (n + 8 <= limit) {
            uint64_t x, y;
            std::memcpy(&x, a + n, 8);
            std::memcpy(&y, b + n, 8);
            if (x != y) return n + __builtin_ctzll(x ^ y) / 8;
            n += 8;
        }
#endif
        while (n < limit && a[n] == b[n])
            ++n;
        return n;
    }

    // Length of the run of equal bytes starting at pos, up to kRunCap.
    int runLengthAt(int32_t pos, bool continuesRun) const {
        uint8_t value = window_[pos];
        if (continuesRun) {
            int before = runLength_[(pos - 1) & ringMask_];
            if (before < kRunCap) return before - 1;
            // The previous run reached kRunCap: pos has at least kRunCap - 1.
            int32_t next = pos + kRunCap - 1;
            return next < end_ && window_[next] == value ? kRunCap : kRunCap - 1;
        }
        int32_t limit = std::min(end_ - pos, kRunCap);
        int n = 1;
        while (n < limit && window_[pos + n] == value)
            ++n;
        return n;
    }

    // Longest match of kLongGram or more, the nearest of equals; {0, 0} if
    // there is none.
    Match findOnLongChain(int32_t pos, int32_t lowest, int maxLength) const {
        const uint8_t* current = &window_[pos];
        int best = kLongGram - 1;
        int32_t bestAt = kNone;
        for (int32_t c = longChain_.newest(current); c >= lowest; c = longChain_.before(c)) {
            const uint8_t* candidate = &window_[c];
            // Cheap rejection: a longer match must also agree at index best.
            if (candidate[best] != current[best]) continue;
            int length = commonLength(candidate, current, maxLength);
            if (length > best) {
                best = length;
                bestAt = c;
                if (best == maxLength) break;
            }
        }
        return bestAt == kNone ? Match{0, 0} : Match{best, pos - bestAt};
    }

    // As findOnLongChain for a position that starts a run of a byte b. The
    // chain then holds whole runs of b, each as consecutive positions from its
    // end down to its start. At a position p of a run that goes on for rp
    // bytes, where pos's own run goes on for r: rp < r matches rp bytes,
    // rp > r matches r bytes, and rp = r matches r and whatever follows. So
    // per run only one position needs to be looked at.
    Match findInRuns(int32_t pos, int32_t lowest, int maxLength) const {
        const uint8_t* current = &window_[pos];
        int r = kLongGram;
        while (r < maxLength && current[r] == current[0])
            ++r;
        int best = kLongGram - 1;
        int32_t bestAt = kNone;
        int32_t c = longChain_.newest(current);
        while (c >= lowest) {
            if (!HashChain<kLongGram>::sameGram(&window_[c], current)) {
                c = longChain_.before(c);  // another value with the same hash
                continue;
            }
            // c is the last position of its run that starts a full gram of b.
            int32_t runStart = c - runBack_[c & ringMask_];
            int32_t from = std::max(runStart, lowest);
            int rc = runLength_[c & ringMask_];
            int32_t at;
            int length;
            if (rc > r) {
                at = c;
                length = r;
            } else if (c - (r - rc) >= from) {
                at = c - (r - rc);  // the run goes on exactly as far as pos's
                length = r + commonLength(&window_[at + r], current + r, maxLength - r);
            } else {
                at = from;  // the run is too short: its longest part
                length = rc + (c - from);
            }
            if (length > best) {
                best = length;
                bestAt = at;
                if (best == maxLength) break;
            }
            if (runStart < lowest) break;
            c = longChain_.before(runStart);
        }
        return bestAt == kNone ? Match{0, 0} : Match{best, pos - bestAt};
    }

    // Drops whole ring periods of old bytes, keeping 8192 bytes of history
    // before pos, and lowers every stored position to match. Returns the shift.
    int32_t slide(int32_t pos) {
        int32_t shift = (pos - kHistory) / sizes_.ringSize * sizes_.ringSize;
        assert(shift > 0);
        std::memmove(window_.data(), window_.data() + shift, static_cast<size_t>(end_ - shift));
        end_ -= shift;
        base_ += static_cast<uint64_t>(shift);
        longChain_.lower(shift);
        chain3_.lower(shift);
        pairs_.lower(shift);
        return shift;
    }

    void fill() {
        int32_t size = static_cast<int32_t>(window_.size());
        while (end_ < size && !ended_) {
            const size_t wanted = static_cast<size_t>(size - end_);
            const size_t got = in_.Read(window_.data() + end_, wanted);
            end_ += static_cast<int32_t>(got);
            if (got < wanted) {
                ended_ = true;
                readFailed_ = in_.Failed();
            }
        }
    }

    // Declared in this order: startReading() runs while sizes_ is set up.
    ByteSource& in_;
    std::vector<uint8_t> window_;
    int32_t end_ = 0;
    uint64_t base_ = 0;  // input offset of window_[0]
    bool ended_ = false;
    bool readFailed_ = false;
    TableSizes sizes_;
    int32_t ringMask_;
    HashChain<kLongGram> longChain_;
    HashChain<3> chain3_;
    HashChain<2> pairs_;
    std::vector<uint16_t> runLength_;  // equal bytes from the position on, up to kRunCap
    std::vector<uint16_t> runBack_;    // distance back to the start of its run
};

}  // namespace

namespace {

CodecResult compressWith(ByteSource& input, ByteSink& output, CodecCallback progress) {
    MatchFinder finder(input);
    FlagWriter writer(output);
    uint64_t progressAt = kProgressFirst;

    int32_t pos = finder.prepare(0);
    while (pos < finder.end() && !writer.failed()) {
        MatchFinder::Match m = finder.find(pos);
        int length = m.length;
        if (length == 0) {
            writer.literal(finder.byteAt(pos));
            length = 1;
        } else {
            writer.match(length, m.distance);
        }
        for (int k = 0; k < length; ++k)
            finder.insert(pos + k);
        pos += length;
        if (finder.base() + static_cast<uint64_t>(pos) - 1 > progressAt) {
            if (progress) progress();
            progressAt += kProgressStep;
        }
        pos = finder.prepare(pos);
    }
    if (finder.readFailed()) return {CodecStatus::ReadFailed, 0};
    const long written = writer.finish();
    if (written < 0) return {CodecStatus::WriteFailed, 0};
    return {CodecStatus::Ok, static_cast<size_t>(written)};
}

}  // namespace

CodecResult lzCompress(ByteSource& input, ByteSink& output, CodecCallback progress) {
    CodecResult result{CodecStatus::OutOfMemory, 0};
    try {
        result = compressWith(input, output, progress);
    } catch (const std::bad_alloc&) {
    }
    return result;
}

// ---------------------------------------------------------------------------
// Decoder

namespace {

// Most bytes handed to a sink at once, and the window they are decoded in:
// the history matches reach into, and room to fill.
constexpr size_t kSinkPiece = 256 * 1024;
constexpr size_t kSinkWindowSize = kHistory + kSinkPiece;

// Decodes into the caller's area, or, given a sink, into a window that keeps
// the last kHistory bytes for matches and hands the rest on as it fills.
class StreamDecoder {
public:
    StreamDecoder(ByteSource& in, uint8_t* output, size_t capacity)
        : in_(in), output_(output), windowSize_(capacity), capacity_(capacity) {}
    StreamDecoder(ByteSource& in, ByteSink& sink, uint8_t* window, size_t windowSize,
                  size_t capacity)
        : in_(in), sink_(&sink), output_(window), windowSize_(windowSize), capacity_(capacity) {}

    CodecStatus run(CodecCallback progress) {
        CodecStatus status = decode(progress);
        if (status == CodecStatus::Truncated && in_.Failed()) status = CodecStatus::ReadFailed;
        if (status == CodecStatus::Ok && sink_ && !handOn()) status = CodecStatus::WriteFailed;
        if (refused_) status = CodecStatus::WriteFailed;
        return status;
    }

    size_t written() const { return written_; }

private:
    CodecStatus decode(CodecCallback progress) {
        size_t progressAt = kProgressFirst;
        if (!loadWord()) return CodecStatus::Truncated;
        for (;;) {
            if (written_ > progressAt) {
                if (progress) progress();
                progressAt += kProgressStep;
            }
            if (word_ == kFreshLiteralWord && capacity_ - written_ >= kFlagsPerWord - 1) {
                // Sixteen literals: the first fifteen bytes lie together before the
                // next word. Taken in one read; the 16th flag is left in the word.
                if (!makeRoom(kFlagsPerWord - 1)) return CodecStatus::WriteFailed;
                size_t got = readBytes(output_ + pos_, kFlagsPerWord - 1);
                pos_ += got;
                written_ += got;
                if (got < kFlagsPerWord - 1) return CodecStatus::Truncated;
                word_ >>= kFlagsPerWord - 1;
                continue;
            }
            uint32_t isLiteral;
            if (!takeFlag(isLiteral)) return CodecStatus::Truncated;
            if (isLiteral) {
                uint32_t byte;
                if (!readByte(byte)) return CodecStatus::Truncated;
                if (written_ == capacity_) return CodecStatus::OutputFull;
                if (!makeRoom(1)) return CodecStatus::WriteFailed;
                output_[pos_++] = static_cast<uint8_t>(byte);
                ++written_;
                continue;
            }
            uint32_t isLong;
            if (!takeFlag(isLong)) return CodecStatus::Truncated;
            int length;
            size_t distance;
            if (isLong) {
                uint32_t low, high;
                if (!readByte(low) || !readByte(high)) return CodecStatus::Truncated;
                distance = kHistory - (((high >> 3) << 8) + low);
                if (high & 7) {
                    length = static_cast<int>(high & 7) + 2;
                } else {
                    uint32_t n;
                    if (!readByte(n)) return CodecStatus::Truncated;
                    if (n == 0) return CodecStatus::Ok;
                    if (n == 1) continue;
                    length = static_cast<int>(n) + 1;
                }
            } else {
                uint32_t x, y, b;
                if (!takeFlag(x) || !takeFlag(y) || !readByte(b)) {
                    return CodecStatus::Truncated;
                }
                length = 2 + static_cast<int>(2 * x + y);
                distance = 256 - b;
            }
            if (distance > written_) return CodecStatus::Corrupt;
            if (!copyMatch(distance, static_cast<size_t>(length))) {
                return refused_ ? CodecStatus::WriteFailed : CodecStatus::OutputFull;
            }
        }
    }

    // The end of the input and a failed read look alike here; run() tells
    // them apart.
    bool readByte(uint32_t& value) {
        const int c = in_.ReadByte();
        if (c < 0) return false;
        value = static_cast<uint32_t>(c);
        return true;
    }

    size_t readBytes(uint8_t* to, size_t count) { return in_.Read(to, count); }

    // A word just loaded whose 16 flags are all literals.
    static constexpr uint32_t kFreshLiteralWord = 0x1FFFF;

    // The word carries a marker bit above its 16 flags: once only the marker
    // is left, all 16 have been taken.
    bool loadWord() {
        uint32_t low, high;
        if (!readByte(low) || !readByte(high)) return false;
        word_ = low | (high << 8) | 0x10000;
        return true;
    }

    // The next word is read at once after the 16th flag, as the encoder
    // places it before the data bytes of that flag's item.
    bool takeFlag(uint32_t& flag) {
        flag = word_ & 1;
        word_ >>= 1;
        return word_ != 1 || loadWord();
    }

    // Hands the window's new bytes to the sink.
    bool handOn() {
        if (refused_) return false;
        if (pos_ > handedOn_ && !sink_->Write(output_ + handedOn_, pos_ - handedOn_)) {
            refused_ = true;
            return false;
        }
        handedOn_ = pos_;
        return true;
    }

    // Room for count more bytes (at most kMaxMatch) in the window: the bytes
    // are handed on before they would make a piece of more than kSinkPiece,
    // and when the window is full the last kHistory are kept at its start.
    // The caller's area always has room up to the capacity.
    bool makeRoom(size_t count) {
        if (!sink_) return true;
        if (pos_ - handedOn_ + count > kSinkPiece && !handOn()) return false;
        if (windowSize_ - pos_ >= count) return true;
        if (!handOn()) return false;
        const size_t kept = std::min<size_t>(pos_, kHistory);
        std::memmove(output_, output_ + pos_ - kept, kept);
        pos_ = kept;
        handedOn_ = kept;
        return true;
    }

    // Copies up to the bound; false if the match did not fit.
    bool copyMatch(size_t distance, size_t length) {
        size_t room = capacity_ - written_;
        size_t count = std::min(length, room);
        if (!makeRoom(count)) return false;
        uint8_t* to = output_ + pos_;
        const uint8_t* from = to - distance;
        if (distance >= count) {
            std::memcpy(to, from, count);
        } else if (distance == 1) {
            std::memset(to, *from, count);
        } else {
            // Overlapping: bytes produced by this match are copied again.
            for (size_t k = 0; k < count; ++k)
                to[k] = from[k];
        }
        pos_ += count;
        written_ += count;
        return count == length;
    }

    ByteSource& in_;
    ByteSink* sink_ = nullptr;
    uint8_t* output_;     // the caller's area, or the window
    size_t windowSize_;   // the capacity, or the window's size
    size_t capacity_;     // most bytes the stream may decode to
    size_t pos_ = 0;      // next byte in output_
    size_t handedOn_ = 0; // bytes of the window before it that the sink has
    size_t written_ = 0;  // bytes decoded in all
    uint32_t word_ = 0;
    bool refused_ = false;
};

}  // namespace

CodecResult lzUncompress(ByteSource& input, uint8_t* output, size_t capacity,
                         CodecCallback progress) {
    StreamDecoder decoder(input, output, capacity);
    const CodecStatus status = decoder.run(progress);
    return {status, decoder.written()};
}

CodecResult lzUncompressTo(ByteSource& input, ByteSink& sink, size_t capacity,
                           CodecCallback progress) {
    std::unique_ptr<uint8_t[]> window(new (std::nothrow) uint8_t[kSinkWindowSize]);
    if (!window) return {CodecStatus::OutOfMemory, 0};
    StreamDecoder decoder(input, sink, window.get(), kSinkWindowSize, capacity);
    const CodecStatus status = decoder.run(progress);
    return {status, decoder.written()};
}
