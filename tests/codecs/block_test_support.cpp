#include "tests/codecs/block_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "codecs/block_arith_coder.h"
#include "codecs/block_bit_stream.h"
#include "codecs/block_format.h"
#include "codecs/block_models.h"
#include "codecs/block_symbols.h"
#include "foundation/runtime_error.h"
#include "tests/codecs/byte_test_doubles.h"

namespace blocktest {

Bytes readGolden(const std::string& name) {
    std::ifstream file(std::string(NERRO_GOLDEN_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << name;
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Bytes compress(const Bytes& input, CodecCallback progress) {
    StringSource in(input);
    StringSink out;
    compressStream(in, out, progress);
    return out.bytes;
}

Decoded decode(const Bytes& stream, size_t capacity, CodecCallback blockCallback) {
    constexpr size_t kGuard = 64;
    constexpr uint8_t kGuardByte = 0xA5;
    std::vector<uint8_t> area(capacity + kGuard, kGuardByte);
    StringSource in(stream);
    const CodecResult result = decodeBlockStream(in, area.data(), capacity, blockCallback);
    Decoded decoded{result.status, Bytes(), true};
    EXPECT_LE(result.size, capacity);
    decoded.data.assign(reinterpret_cast<const char*>(area.data()),
                        std::min(result.size, capacity));
    for (size_t i = decoded.data.size(); i < area.size(); ++i) {
        decoded.guardIntact = decoded.guardIntact && area[i] == kGuardByte;
    }
    return decoded;
}

Bytes randomBytes(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes bytes(size, '\0');
    for (char& c : bytes)
        c = char(rng() & 0xFF);
    return bytes;
}

Bytes periodic(const Bytes& period, size_t size) {
    Bytes bytes;
    bytes.reserve(size + period.size());
    while (bytes.size() < size)
        bytes += period;
    bytes.resize(size);
    return bytes;
}

Bytes runFree(size_t size, uint32_t seed) {
    Bytes bytes = randomBytes(size, seed);
    for (size_t i = 3; i < size; ++i) {
        if (bytes[i] == bytes[i - 1] && bytes[i] == bytes[i - 2] && bytes[i] == bytes[i - 3]) {
            bytes[i] = char(bytes[i] + 1);
        }
    }
    return bytes;
}

Bytes textLike(size_t size, uint32_t seed) {
    static const char* const kWords[] = {
        "the ",   "plug-in ", "installer ", "folder ", "of ",    "and ",   "a ",
        "host ",  "image ",   "file ",      "to ",     "is ",    "pack ",  "stream ",
        "block ", "sorted ",  "Photoshop ", "\r\n",    "entry ", "value ", "copy ",
    };
    std::mt19937 rng(seed);
    Bytes text;
    text.reserve(size + 16);
    while (text.size() < size)
        text += kWords[rng() % std::size(kWords)];
    text.resize(size);
    return text;
}

namespace {

[[noreturn]] void throwReport(const char* text, bool) {
    throw RunTimeErrorReport(text);
}

}  // namespace

// Reports land in "error.lst" of the current folder: keep them out of the
// build tree.
ScopedThrowingHook::ScopedThrowingHook() {
    namespace fs = std::filesystem;
    std::error_code error;
    previousFolder_ = fs::current_path(error).string();
    scratchFolder_ = fs::temp_directory_path(error) /
                     ("block_codec_test_" + std::to_string(std::random_device{}()));
    fs::create_directories(scratchFolder_, error);
    fs::current_path(scratchFolder_, error);
    if (error) ADD_FAILURE() << "cannot work in " << scratchFolder_ << ": " << error.message();
    setRunTimeErrorHook(throwReport);
}

ScopedThrowingHook::~ScopedThrowingHook() {
    setRunTimeErrorHook(nullptr);
    std::error_code error;
    if (!previousFolder_.empty()) std::filesystem::current_path(previousFolder_, error);
    if (error) ADD_FAILURE() << "cannot return to " << previousFolder_;
    std::filesystem::remove_all(scratchFolder_, error);
}

Bytes craftStream(const std::vector<CraftedBlock>& blocks, const char* signature) {
    StringSink out;
    auto state = std::make_unique<BlockCoderState>();
    openBitWriter(state->coder.bits, out);
    for (int i = 0; i < 4; ++i)
        writeBitByte(state->coder.bits, uint8_t(signature[i]));
    initHeaderModel(state->models);
    startEncoding(state->coder);
    for (const CraftedBlock& block : blocks) {
        emitBlockHeader(*state, block.origin, block.last);
        for (unsigned symbol : block.symbols)
            emitMtfValue(*state, symbol);
        emitMtfValue(*state, blockformat::kEndOfBlock);
    }
    finishEncoding(state->coder);
    return out.bytes;
}

CraftedBlock referenceBlock(const Bytes& block, bool last) {
    const size_t n = block.size();
    std::vector<size_t> rotations(n);
    for (size_t i = 0; i < n; ++i)
        rotations[i] = i;
    auto rotation = [&](size_t start) { return block.substr(start) + block.substr(0, start); };
    std::stable_sort(rotations.begin(), rotations.end(), [&](size_t a, size_t b) {
        const Bytes ra = rotation(a), rb = rotation(b);
        return std::lexicographical_compare(ra.begin(), ra.end(), rb.begin(), rb.end(),
                                            [](char x, char y) { return uint8_t(x) < uint8_t(y); });
    });
    CraftedBlock crafted{0, last, {}};
    std::vector<uint8_t> list(256);
    for (int i = 0; i < 256; ++i)
        list[i] = uint8_t(i);
    uint32_t zeros = 0;
    auto flushZeros = [&] {
        // Bijective base 2, most significant digit first.
        std::vector<unsigned> digits;
        for (; zeros > 0; zeros = (zeros - 1) / 2) {
            digits.push_back(zeros % 2 ? blockformat::kRun1 : blockformat::kRun2);
        }
        crafted.symbols.insert(crafted.symbols.end(), digits.rbegin(), digits.rend());
    };
    for (size_t r = 0; r < n; ++r) {
        if (rotations[r] == 0) crafted.origin = uint32_t(r);
        const uint8_t byte = uint8_t(block[(rotations[r] + n - 1) % n]);
        const size_t j = size_t(std::find(list.begin(), list.end(), byte) - list.begin());
        list.erase(list.begin() + j);
        list.insert(list.begin(), byte);
        if (j == 0) {
            ++zeros;
            continue;
        }
        flushZeros();
        crafted.symbols.push_back(unsigned(j));
    }
    flushZeros();
    return crafted;
}

}  // namespace blocktest
