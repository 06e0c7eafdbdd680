// The compressor's own decisions (run-length pre-coding into blocks) and its
// fatal paths.
#include <gtest/gtest.h>

#include <string>

#include "codecs/block_codec.h"
#include "tests/codecs/block_test_support.h"
#include "tests/codecs/byte_test_doubles.h"

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
             StringSource in(textLike(5000, 1));
             LimitedSink out(10);
             compressStream(in, out, nullptr);
         },
         "EOF!"},
        {"output refuses to flush",
         [] {
             StringSource in("data");
             LimitedSink out(1000, true);
             compressStream(in, out, nullptr);
         },
         "EOF!"},
        {"input that fails at its first read",
         [] {
             FailingSource in("data", 0);
             StringSink out;
             compressStream(in, out, nullptr);
         },
         "streamBad!"},
        {"input that had failed before the call",
         [] {
             FailingSource in("data", 0);
             EXPECT_EQ(in.ReadByte(), -1);
             StringSink out;
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
    FailingSource in(data, 65536);
    StringSink out;
    {
        ScopedThrowingHook hook;
        EXPECT_THROW(compressStream(in, out, nullptr), RunTimeErrorReport);
    }
    // The stream was finished before the report: it holds the bytes read.
    const Decoded decoded = decode(out.bytes, data.size());
    EXPECT_EQ(decoded.status, CodecStatus::Ok);
    EXPECT_EQ(decoded.data, data.substr(0, 65536));
}

}  // namespace
