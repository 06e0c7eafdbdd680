#include "pack/pack_index.h"

#include <cstring>

#include "pack/pack_endian.h"

namespace {

constexpr size_t kRecordFieldsSize = 24;  // offset, storedSize, size, crc, stamp, flags

}  // namespace

bool parsePackIndexBody(const uint8_t* body, size_t size, uint32_t count, PackIndex& index) {
    size_t at = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (size - at < 2) return false;
        const auto nameLength = static_cast<int16_t>(readLe16(body + at));
        at += 2;
        if (nameLength < 0) return false;
        if (size - at < static_cast<size_t>(nameLength) + kRecordFieldsSize) return false;
        // Names are handed about as zero-terminated text: one holding a zero
        // byte would be taken for a shorter name.
        if (std::memchr(body + at, 0, static_cast<size_t>(nameLength))) return false;
        TPackEntry entry;
        entry.name.assign(reinterpret_cast<const char*>(body + at), nameLength);
        at += nameLength;
        const uint8_t* fields = body + at;
        entry.offset = readLe32(fields);
        entry.storedSize = readLe32(fields + 4);
        entry.size = readLe32(fields + 8);
        entry.crc = readLe32(fields + 12);
        entry.stamp = readLe32(fields + 16);
        entry.flags = readLe32(fields + 20);
        at += kRecordFieldsSize;
        std::string key = entry.name;
        index[std::move(key)] = std::move(entry);
    }
    return at == size;
}

void parseOldPackTable(const uint8_t* table, uint32_t count, size_t recordSize, uint32_t stamp,
                       PackIndex& index) {
    // The name field fills the record up to its six 32-bit fields; a name that
    // fills the whole field has no terminating zero.
    const size_t nameField = recordSize - kRecordFieldsSize;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* record = table + static_cast<size_t>(i) * recordSize;
        const void* zero = std::memchr(record, 0, nameField);
        const size_t nameLength =
            zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - record) : nameField;
        TPackEntry entry;
        entry.name.assign(reinterpret_cast<const char*>(record), nameLength);
        const uint8_t* fields = record + nameField;
        entry.offset = readLe32(fields);
        entry.storedSize = readLe32(fields + 4);
        entry.size = readLe32(fields + 8);
        entry.crc = readLe32(fields + 12);
        entry.stamp = stamp;  // the old tables keep no time; bytes 16..19 are unused
        entry.flags = readLe32(fields + 20);
        std::string key = entry.name;
        index[std::move(key)] = std::move(entry);
    }
}

std::string serialisePackIndexBody(const PackIndex& index) {
    std::string body;
    for (const auto& [name, entry] : index) {
        appendLe16(body, static_cast<uint16_t>(name.size()));
        body.append(name);
        appendLe32(body, entry.offset);
        appendLe32(body, entry.storedSize);
        appendLe32(body, entry.size);
        appendLe32(body, entry.crc);
        appendLe32(body, entry.stamp);
        appendLe32(body, entry.flags);
    }
    return body;
}
