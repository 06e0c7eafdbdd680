// Signed installers: finding the certificate table in the PE header, and the
// pack that ends before it.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "foundation/byte_file.h"
#include "pack/pack_file.h"
#include "pack/pack_signature.h"
#include "tests/pack/pack_test_support.h"
#include "tests/pack/pe_image_support.h"

namespace {

using packtest::HandEntry;
using packtest::PeKind;

std::optional<PeCertificateTable> tableOf(const std::string& bytes) {
    MemoryFile stream(bytes);
    return findPeCertificateTable(stream, bytes.size());
}

// A PE image carrying a pack of two entries; its length is not a multiple of 8.
std::string installer(PeKind kind) {
    return packtest::handBuiltPack(
        packtest::peImage(kind),
        {{"Nerro.ini", "[General]\nTitle=T\n", 0}, {"logo.bmp", packtest::randomBytes(300, 3), 5}});
}

TEST(PeSignatureTest, FindsTheTableThatEndsTheFile) {
    const struct {
        const char* what;
        PeKind kind;
        size_t extraBytes;  // added to the pack's stub to vary the padding
    } cases[] = {
        {"PE32, padded", PeKind::Pe32, 0},
        {"PE32+, padded", PeKind::Pe32Plus, 0},
        {"PE32, other padding", PeKind::Pe32, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string unsignedBytes = packtest::handBuiltPack(
            packtest::peImage(c.kind) + std::string(c.extraBytes, 'x'), {{"a", "alpha", 0}});
        const std::string bytes = packtest::signedLikeATool(unsignedBytes, c.kind, 72);
        const std::optional<PeCertificateTable> table = tableOf(bytes);
        ASSERT_TRUE(table);
        EXPECT_EQ(table->offset, bytes.size() - 72);
        EXPECT_EQ(table->size, 72u);
        EXPECT_EQ(table->directoryPosition, packtest::securityEntryPosition(c.kind));
        // The padding, and the trailer's own zero bytes before it.
        EXPECT_GE(table->zerosBefore, table->offset - unsignedBytes.size());
        EXPECT_LE(table->zerosBefore, kPeSignaturePaddingMax);
    }
}

TEST(PeSignatureTest, NoTableInDamagedOrForeignHeaders) {
    const std::string good = packtest::signedLikeATool(installer(PeKind::Pe32), PeKind::Pe32);
    const size_t entry = packtest::securityEntryPosition(PeKind::Pe32);
    const size_t tableAt = good.size() - 64;
    const auto edited = [&good](const std::function<void(std::string&)>& edit) {
        std::string bytes = good;
        edit(bytes);
        return bytes;
    };
    const auto at = [](size_t position, const std::string& value) {
        return
            [position, value](std::string& bytes) { bytes.replace(position, value.size(), value); };
    };
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"cut inside the MS-DOS header", good.substr(0, 0x3E)},
        {"cut before the PE signature", good.substr(0, 0x42)},
        {"cut inside the COFF header", good.substr(0, 0x50)},
        {"cut inside the optional header", good.substr(0, 0x90)},
        {"cut inside the security entry", good.substr(0, entry + 6)},
        {"no MZ", edited(at(0, "ZM"))},
        {"header pointer beyond the file", edited(at(0x3C, packtest::le32(0xFFFFFFF0)))},
        {"no PE signature", edited(at(0x40, "NE"))},
        {"unknown optional header magic", edited(at(0x58, packtest::le16(0x107)))},
        {"four directories only", edited(at(0x58 + 92, packtest::le32(4)))},
        {"optional header too short for the entry", edited(at(0x54, packtest::le16(0x60)))},
        {"table reaching beyond the file",
         edited(at(entry, packtest::le32(tableAt) + packtest::le32(65)))},
        {"table pointing beyond the file",
         edited(at(entry, packtest::le32(0xFFFFFFF8) + packtest::le32(64)))},
        {"table ending before the file's end",
         edited(at(entry, packtest::le32(tableAt) + packtest::le32(63)))},
        {"table shorter than a certificate header", edited([&](std::string& bytes) {
             bytes.resize(tableAt + 4);
             bytes.replace(entry, 8, packtest::le32(tableAt) + packtest::le32(4));
         })},
        {"table over the headers",
         edited(at(entry, packtest::le32(0) + packtest::le32(static_cast<uint32_t>(good.size()))))},
        {"unsigned", installer(PeKind::Pe32)},
        {"bytes after the table", good + "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(tableOf(c.bytes));
    }
}

TEST(PeSignatureTest, SignedPackReadsAsUnsigned) {
    for (const PeKind kind : {PeKind::Pe32, PeKind::Pe32Plus}) {
        const std::string unsignedBytes = installer(kind);
        const auto plain = packtest::openBytes(unsignedBytes);
        const auto signedPack = packtest::openBytes(packtest::signedLikeATool(unsignedBytes, kind));
        ASSERT_TRUE(plain->HasIndex());
        ASSERT_TRUE(signedPack->HasIndex());
        EXPECT_FALSE(signedPack->IsFailed());
        EXPECT_FALSE(plain->IsSigned());
        EXPECT_TRUE(signedPack->IsSigned());
        EXPECT_EQ(signedPack->GetPackEnd(), unsignedBytes.size());
        EXPECT_EQ(plain->GetPackEnd(), unsignedBytes.size());
        EXPECT_EQ(signedPack->GetPackBase(), plain->GetPackBase());
        EXPECT_EQ(signedPack->GetEndOfData(), plain->GetEndOfData());
        EXPECT_EQ(signedPack->GetCount(), 2);
        EXPECT_EQ(packtest::extract(*signedPack, "Nerro.ini").data, "[General]\nTitle=T\n");
        EXPECT_EQ(packtest::extract(*signedPack, "logo.bmp").data, packtest::randomBytes(300, 3));
    }
}

TEST(PeSignatureTest, PaddingMustBeZeroBytesUpToTheTable) {
    std::string unsignedBytes = installer(PeKind::Pe32);
    ASSERT_NE(unsignedBytes.size() % 8, 0u);
    const struct {
        const char* what;
        char padding;
        bool readable;
    } cases[] = {
        {"zero padding", '\0', true},
        {"padding of other bytes", '\x01', false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = packtest::signedLikeATool(unsignedBytes, PeKind::Pe32);
        for (size_t i = unsignedBytes.size(); i < bytes.size() - 64; ++i)
            bytes[i] = c.padding;
        const auto pack = packtest::openBytes(bytes);
        EXPECT_TRUE(pack->IsSigned());
        EXPECT_EQ(pack->HasIndex(), c.readable);
        EXPECT_EQ(pack->IsFailed(), !c.readable);
    }
}

TEST(PeSignatureTest, PackWhoseLengthNeedsNoPaddingIsFound) {
    // The trailer's format word ends in zero bytes: they are the pack's, not padding.
    std::string stub = packtest::peImage(PeKind::Pe32);
    std::string unsignedBytes = packtest::handBuiltPack(stub, {{"a", "alpha", 0}});
    stub.append((8 - unsignedBytes.size() % 8) % 8, 'x');
    unsignedBytes = packtest::handBuiltPack(stub, {{"a", "alpha", 0}});
    ASSERT_EQ(unsignedBytes.size() % 8, 0u);
    const auto pack = packtest::openBytes(packtest::signedLikeATool(unsignedBytes, PeKind::Pe32));
    ASSERT_TRUE(pack->HasIndex());
    EXPECT_EQ(pack->GetPackEnd(), unsignedBytes.size());
    EXPECT_EQ(packtest::extract(*pack, "a").data, "alpha");
}

TEST(PeSignatureTest, SignedFileIsNotOpenedForChanges) {
    packtest::TempDir dir;
    const std::string path = dir.File("signed.exe");
    const std::string bytes = packtest::signedLikeATool(installer(PeKind::Pe32), PeKind::Pe32);
    packtest::writeFile(path, bytes);
    {
        TPackFile pack(path.c_str(), true);
        EXPECT_TRUE(pack.IsSigned());
        EXPECT_FALSE(pack.HasIndex());
        EXPECT_TRUE(pack.IsFailed());
        MemoryFile input("more");
        EXPECT_EQ(pack.AddStream(input, "more", kPackModeStore), nullptr);
        pack.Compact();
        EXPECT_TRUE(pack.IsFailed());
    }
    EXPECT_EQ(packtest::readFile(path), bytes);
}

}  // namespace
