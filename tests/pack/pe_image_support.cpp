#include "tests/pack/pe_image_support.h"

#include <cstdint>

#include "tests/pack/pack_test_support.h"

namespace packtest {

namespace {

constexpr size_t kHeaderAt = 0x40;
constexpr size_t kOptionalAt = kHeaderAt + 4 + 20;
constexpr size_t kImageSize = 0x400;

void put(std::string& bytes, size_t at, const std::string& value) {
    bytes.replace(at, value.size(), value);
}

size_t directoryCountField(PeKind kind) {
    return kOptionalAt + (kind == PeKind::Pe32 ? 92 : 108);
}

}  // namespace

std::string peImage(PeKind kind) {
    const bool plus = kind == PeKind::Pe32Plus;
    std::string bytes(kImageSize, '\0');
    put(bytes, 0, "MZ");
    put(bytes, 0x3C, le32(kHeaderAt));
    put(bytes, kHeaderAt, std::string("PE\0\0", 4));
    // COFF header: machine, one section, optional header size, characteristics.
    put(bytes, kHeaderAt + 4, le16(plus ? 0x8664 : 0x14C) + le16(1));
    put(bytes, kHeaderAt + 20, le16(plus ? 0xF0 : 0xE0) + le16(plus ? 0x22 : 0x102));
    // Optional header: magic, entry point, image base, alignments, versions,
    // image and header sizes, GUI subsystem, 16 directories.
    put(bytes, kOptionalAt, le16(plus ? 0x20B : 0x10B));
    put(bytes, kOptionalAt + 16, le32(0x1000));
    if (plus)
        put(bytes, kOptionalAt + 24, le32(0x40000000) + le32(1));
    else
        put(bytes, kOptionalAt + 28, le32(0x400000));
    put(bytes, kOptionalAt + 32, le32(0x1000) + le32(0x200));
    put(bytes, kOptionalAt + 40, le16(6));
    put(bytes, kOptionalAt + 48, le16(6));
    put(bytes, kOptionalAt + 56, le32(0x2000) + le32(0x200));
    put(bytes, kOptionalAt + 68, le16(2));
    put(bytes, directoryCountField(kind), le32(16));
    // The section ".text": virtual size and address, raw size and position.
    const size_t section = kOptionalAt + (plus ? 0xF0 : 0xE0);
    put(bytes, section, ".text");
    put(bytes, section + 8, le32(0x1000) + le32(0x1000) + le32(0x200) + le32(0x200));
    put(bytes, section + 36, le32(0x60000020));
    bytes[0x200] = '\xC3';
    return bytes;
}

size_t securityEntryPosition(PeKind kind) {
    return directoryCountField(kind) + 4 + 4 * 8;
}

void setSecurityEntry(std::string& bytes, PeKind kind, uint32_t offset, uint32_t size) {
    put(bytes, securityEntryPosition(kind), le32(offset) + le32(size));
}

std::string signedLikeATool(const std::string& unsignedBytes, PeKind kind, size_t tableSize) {
    std::string bytes = unsignedBytes;
    bytes.resize((bytes.size() + 7) / 8 * 8, '\0');
    const size_t offset = bytes.size();
    // A WIN_CERTIFICATE header (length, revision 2.0, PKCS#7) and stand-in contents.
    std::string table = le32(static_cast<uint32_t>(tableSize)) + le16(0x200) + le16(2);
    table.resize(tableSize, '\x5A');
    bytes += table;
    setSecurityEntry(bytes, kind, static_cast<uint32_t>(offset), static_cast<uint32_t>(tableSize));
    return bytes;
}

}  // namespace packtest
