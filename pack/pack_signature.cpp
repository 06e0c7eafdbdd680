#include "pack/pack_signature.h"

#include <algorithm>

#include "pack/pack_endian.h"

namespace {

constexpr uint64_t kNewHeaderPointer = 0x3C;       // e_lfanew of the MS-DOS header
constexpr uint64_t kFileHeaderSize = 20;           // the COFF header after "PE\0\0"
constexpr uint64_t kOptionalHeaderSizeField = 16;  // within the COFF header
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
// Position of NumberOfRvaAndSizes in the optional header; the directories follow it.
constexpr uint64_t kDirectoryCountPe32 = 92;
constexpr uint64_t kDirectoryCountPe32Plus = 108;
constexpr uint32_t kSecurityDirectory = 4;
constexpr uint64_t kDirectoryEntrySize = 8;
// A certificate table holds at least one WIN_CERTIFICATE header.
constexpr uint64_t kMinTableSize = 8;

// Reads count bytes at position, only when they lie within the file.
bool readAt(SeekableFile& file, uint64_t length, uint64_t position, uint8_t* out,
            uint64_t count) {
    if (position > length || count > length - position) return false;
    size_t got = 0;
    return file.Seek(position) && file.Read(out, static_cast<size_t>(count), got) &&
           got == count;
}

std::optional<uint32_t> read32(SeekableFile& file, uint64_t length, uint64_t position) {
    uint8_t bytes[4];
    if (!readAt(file, length, position, bytes, 4)) return std::nullopt;
    return readLe32(bytes);
}

std::optional<uint16_t> read16(SeekableFile& file, uint64_t length, uint64_t position) {
    uint8_t bytes[2];
    if (!readAt(file, length, position, bytes, 2)) return std::nullopt;
    return readLe16(bytes);
}

// Position of the security directory entry, when the headers hold one.
std::optional<uint64_t> securityDirectoryPosition(SeekableFile& file, uint64_t length) {
    uint8_t mz[2];
    if (!readAt(file, length, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return std::nullopt;
    const std::optional<uint32_t> header = read32(file, length, kNewHeaderPointer);
    if (!header) return std::nullopt;
    uint8_t signature[4];
    if (!readAt(file, length, *header, signature, 4) || signature[0] != 'P' ||
        signature[1] != 'E' || signature[2] != 0 || signature[3] != 0)
        return std::nullopt;
    const uint64_t fileHeader = uint64_t{*header} + 4;
    const std::optional<uint16_t> optionalSize =
        read16(file, length, fileHeader + kOptionalHeaderSizeField);
    if (!optionalSize) return std::nullopt;
    const uint64_t optional = fileHeader + kFileHeaderSize;
    const std::optional<uint16_t> magic = read16(file, length, optional);
    if (!magic) return std::nullopt;
    uint64_t countField = 0;
    if (*magic == kMagicPe32)
        countField = kDirectoryCountPe32;
    else if (*magic == kMagicPe32Plus)
        countField = kDirectoryCountPe32Plus;
    else
        return std::nullopt;
    const std::optional<uint32_t> directories = read32(file, length, optional + countField);
    if (!directories || *directories <= kSecurityDirectory) return std::nullopt;
    const uint64_t entry = optional + countField + 4 + kSecurityDirectory * kDirectoryEntrySize;
    // The entry must lie within the optional header the COFF header declares.
    if (entry + kDirectoryEntrySize > optional + *optionalSize) return std::nullopt;
    return entry;
}

}  // namespace

std::optional<PeCertificateTable> findPeCertificateTable(SeekableFile& file, uint64_t length) {
    std::optional<PeCertificateTable> found;
    const std::optional<uint64_t> entry = securityDirectoryPosition(file, length);
    const std::optional<uint32_t> offset = entry ? read32(file, length, *entry) : std::nullopt;
    const std::optional<uint32_t> size = entry ? read32(file, length, *entry + 4) : std::nullopt;
    if (offset && size && *size >= kMinTableSize && *offset >= *entry + kDirectoryEntrySize &&
        uint64_t{*offset} + *size == length) {
        PeCertificateTable table;
        table.offset = *offset;
        table.size = *size;
        table.directoryPosition = *entry;
        if (table.offset % 8 == 0) {
            const uint64_t span = std::min<uint64_t>(kPeSignaturePaddingMax, table.offset);
            uint8_t before[kPeSignaturePaddingMax];
            if (readAt(file, length, table.offset - span, before, span)) {
                while (table.zerosBefore < span && before[span - 1 - table.zerosBefore] == 0)
                    ++table.zerosBefore;
            }
        }
        found = table;
    }
    return found;
}
