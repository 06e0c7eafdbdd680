// The Authenticode signature of a Windows program file, as far as the pack
// needs to know it: where the certificate table begins.
//
// A signing tool pads the signed file with zero bytes to a multiple of 8,
// appends a certificate table and points the PE header's security directory
// (data directory entry 4 of the optional header; its "address" is a file
// position) at it. In a signed installer the pack therefore no longer ends
// the file: it ends where the padding before the table begins.
//
//   |  stub (PE image)  |  pack ... trailer  |  0 to 7 zero bytes  |  certificate table  |
//                                            ^                     ^                     ^
//                                 pack end (unsigned length)  table offset          file length
//
// Every field is read byte by byte, little-endian, and checked against the
// file length: the bytes may be anything.
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/byte_file.h"

// Longest run of padding a signing tool puts before the certificate table.
constexpr uint32_t kPeSignaturePaddingMax = 7;

struct PeCertificateTable {
    uint64_t offset = 0;             // where the table begins (its file position)
    uint64_t size = 0;               // its length; offset + size is the file length
    uint64_t directoryPosition = 0;  // file position of the 8-byte security directory entry
    // Zero bytes directly before offset, at most kPeSignaturePaddingMax, and
    // none unless offset is a multiple of 8: the padding may be any number
    // of them up to this one (the last bytes before it may be zero too).
    uint32_t zerosBefore = 0;
};

// The certificate table of the PE image in stream (length bytes long) when
// its security directory names one that ends exactly at the end of the file
// and begins after the directory itself; nothing for an unsigned file, a
// file that is not a PE image or whose headers are cut short, and a table
// that lies elsewhere. Leaves the file's position anywhere.
std::optional<PeCertificateTable> findPeCertificateTable(SeekableFile& file, uint64_t length);
