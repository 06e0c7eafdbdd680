// The index body of version 5 and the old tables of versions 0 to 4, as bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "pack/pack_file.h"

// Size of one record of an old table: 40-byte names when bit 9 of the
// format word is set or the table is compressed (bit 8), else 24-byte names.
constexpr size_t kOldRecordSizeLong = 64;
constexpr size_t kOldRecordSizeShort = 48;

// Reads count version 5 records that fill exactly size bytes at body into
// index (a later record replaces an earlier one of the same name). Returns
// false, leaving index partly filled, when the records do not fill the body
// exactly, a name length is negative or a name holds a zero byte.
bool parsePackIndexBody(const uint8_t* body, size_t size, uint32_t count, PackIndex& index);

// Reads count old records of recordSize bytes from a table of exactly
// count * recordSize bytes; each gets stamp.
void parseOldPackTable(const uint8_t* table, uint32_t count, size_t recordSize, uint32_t stamp,
                       PackIndex& index);

// The version 5 body of every record of index, in index (name) order.
std::string serialisePackIndexBody(const PackIndex& index);
