// The compressor's own decisions (run-length pre-coding into blocks) and its
// fatal paths.
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

#include "codecs/block_codec.h"
#include "tests/codecs/block_test_support.h"

namespace {

using namespace blocktest;

TEST(BlockCompressor, RunLengthPreCodingMakesTheBlock) {
    // Each input against the block it must become (checked through an
    // independent rotation sort and move-to-front coder).
    const struct {
        Bytes input;
        Bytes block;
    } cases[] = {
        {"", "*"},
        {"abbccc", "abbccc*"},  // runs of 1..3 stay as they are
        {"dddd", Bytes("dddd\0*", 6)},
        {"eeeee", "eeee\1*"},
        {Bytes(300, 'X'), "XXXX\xFBXXXX)*"},  // pairs of 255 and 45
        {Bytes(259, 'Y') + "Y", "YYYY\xFBYYYY\1*"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compress(c.input), craftStream({referenceBlock(c.block, true)})) << c.input;
    }
}

// Output that accepts `room` bytes, and optionally refuses to flush.
class LimitedOutput : public std::streambuf {
public:
    LimitedOutput(size_t room, bool syncFails) : room_(room), syncFails_(syncFails) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()) || room_ == 0) {
            return traits_type::eof();
        }
        --room_;
        return c;
    }
    int sync() override { return syncFails_ ? -1 : 0; }

private:
    size_t room_;
    bool syncFails_;
};

// Input whose stream buffer throws after `size` bytes of data.
class FailingInput : public std::streambuf {
public:
    explicit FailingInput(Bytes data) : data_(std::move(data)) {
        setg(&data_[0], &data_[0], &data_[0] + data_.size());
    }

protected:
    int_type underflow() override { throw std::ios_base::failure("disk gone"); }

private:
    Bytes data_;
};

std::string fatalText(void (*run)()) {
    ScopedThrowingHook hook;
    try {
        run();
    } catch (const RunTimeErrorReport& report) {
        return report.what();
    }
    return "(no report)";
}

TEST(BlockCompressor, FatalPaths) {
    const struct {
        const char* name;
        void (*run)();
        const char* message;
    } cases[] = {
        {"output refuses a byte",
         [] {
             std::istringstream in(textLike(5000, 1));
             LimitedOutput buffer(10, false);
             std::ostream out(&buffer);
             compressStream(in, out, nullptr);
         },
         "EOF!"},
        {"output refuses to flush",
         [] {
             std::istringstream in("data");
             LimitedOutput buffer(1000, true);
             std::ostream out(&buffer);
             compressStream(in, out, nullptr);
         },
         "EOF!"},
        {"input in a hard error state",
         [] {
             std::istringstream in("data");
             in.setstate(std::ios::badbit);
             std::ostringstream out;
             compressStream(in, out, nullptr);
         },
         "streamBad!"},
        {"input that could not even be opened",
         [] {
             std::istringstream in("data");
             in.setstate(std::ios::failbit);
             std::ostringstream out;
             compressStream(in, out, nullptr);
         },
         "streamBad!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = fatalText(c.run);
        EXPECT_EQ(text.rfind("File compress, line ", 0), 0u) << text;
        EXPECT_NE(text.find(std::string("\n") + c.message + "\n"), std::string::npos) << text;
        // The next call starts afresh.
        EXPECT_EQ(compress(readGolden("text.bin")), readGolden("text.block"));
    }
}

TEST(BlockCompressor, InputThatFailsKeepsWhatWasReadThenReports) {
    const Bytes data = textLike(70000, 2);
    FailingInput buffer(data);
    std::istream in(&buffer);
    std::ostringstream out;
    {
        ScopedThrowingHook hook;
        EXPECT_THROW(compressStream(in, out, nullptr), RunTimeErrorReport);
    }
    // The stream was finished before the report: it holds the bytes read.
    const Decoded decoded = decode(out.str(), data.size());
    EXPECT_EQ(decoded.status, CodecStatus::Ok);
    EXPECT_EQ(decoded.data, data);
}

}  // namespace
