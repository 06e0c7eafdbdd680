// The arithmetic coder: the encoder must write exactly the bits of the plain
// coder that defers undecided bits, and the decoder must read its symbols back.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codecs/block_arith_coder.h"
#include "codecs/block_bit_stream.h"
#include "codecs/block_models.h"
#include "tests/codecs/byte_test_doubles.h"

namespace {

// The coder as the format describes it, bit by bit.
class ReferenceEncoder {
public:
    void encode(FrequencyModel& model, int symbol) {
        uint32_t cumLow = 0;
        for (int i = 1; i < symbol; ++i)
            cumLow += model.freq[i];
        const uint32_t step = range_ / model.totalFreq;
        low_ += step * cumLow;
        range_ = cumLow + model.freq[symbol] < model.totalFreq ? step * model.freq[symbol]
                                                               : range_ - step * cumLow;
        while (range_ <= kCodeQuarter) {
            if (low_ + range_ <= kCodeHalf) {
                decided(0);
            } else if (low_ >= kCodeHalf) {
                decided(1);
                low_ -= kCodeHalf;
            } else {
                ++pending_;
                low_ -= kCodeQuarter;
            }
            low_ <<= 1;
            range_ <<= 1;
        }
        updateModel(model, symbol);
    }
    std::string finish() {
        decided((low_ >> 25) & 1);
        for (int bit = 24; bit >= 0; --bit)
            put((low_ >> bit) & 1);
        while (count_ != 0)
            put(0);
        return out_;
    }

private:
    void put(unsigned bit) {
        byte_ = uint8_t(byte_ << 1 | bit);
        if (++count_ == 8) {
            out_ += char(byte_);
            count_ = 0;
        }
    }
    void decided(unsigned bit) {
        put(bit);
        for (; pending_ > 0; --pending_)
            put(bit ^ 1);
    }

    std::string out_;
    uint8_t byte_ = 0;
    int count_ = 0;
    uint32_t low_ = 0, range_ = kCodeHalf, pending_ = 0;
};

// Models of every kind the coder treats apart: one that never adapts, the
// narrow ones whose lower ends the encoder sums at a fixed width (the widest
// of them filling it), and a wide one searched by groups.
struct Models {
    static constexpr int kCount = 5;
    FrequencyModel models[kCount];
    Models() {
        initModel(models[0], "flat", 256, 0, 256);
        initModel(models[1], "skewed", 11, 12, 1000);
        initModel(models[2], "wide", 128, 1, 1000);
        initModel(models[3], "four", 4, 3, 1000);
        initModel(models[4], "sixteen", 16, 3, 1000);
    }
};

TEST(BlockCoder, EncoderWritesTheBitsOfTheReferenceAndDecoderReadsThemBack) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        // Mostly one likely symbol (long runs of small ranges, where bits stay
        // undecided longest), with rare others across all the models.
        std::vector<std::pair<int, int>> symbols;
        const Models shapes;
        for (int i = 0; i < 3000; ++i) {
            const int model = rng() % 10 < 8 ? 1 : int(rng() % Models::kCount);
            const int limit = shapes.models[model].numSymbols;
            const int symbol = rng() % 4 == 0 ? int(rng() % limit) + 1 : (seed % limit) + 1;
            symbols.emplace_back(model, symbol);
        }

        ReferenceEncoder reference;
        Models referenceModels;
        for (auto [model, symbol] : symbols)
            reference.encode(referenceModels.models[model], symbol);

        StringSink out;
        Models codecModels;
        ArithmeticCoderState encoder;
        openBitWriter(encoder.bits, out);
        startEncoding(encoder);
        for (auto [model, symbol] : symbols)
            encodeSymbol(encoder, codecModels.models[model], symbol);
        finishEncoding(encoder);
        ASSERT_EQ(out.bytes, reference.finish()) << seed;

        StringSource in(out.bytes);
        Models decodeModels;
        ArithmeticCoderState decoder;
        openBitReader(decoder.bits, in);
        startDecoding(decoder);
        for (size_t i = 0; i < symbols.size(); ++i) {
            ASSERT_EQ(decodeSymbol(decoder, decodeModels.models[symbols[i].first]),
                      symbols[i].second)
                << seed << " at " << i;
        }
        EXPECT_FALSE(decoder.bits.inputEnded);
        closeBitStream(decoder.bits);
    }
}

}  // namespace
