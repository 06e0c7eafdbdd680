// Windows program files assembled byte by byte for the tests: a small PE
// image that signing tools accept, and its signed form as they write it.
#pragma once

#include <cstddef>
#include <string>

namespace packtest {

enum class PeKind { Pe32, Pe32Plus };

// A 1024-byte PE image: MS-DOS header, "PE\0\0" at 0x40, a COFF header, an
// optional header with 16 data directories (all empty) and one section
// holding a "ret". Signing tools sign it as they sign a real program.
std::string peImage(PeKind kind);

// File position of the image's security directory entry (8 bytes).
size_t securityEntryPosition(PeKind kind);

// Sets the security directory entry of bytes (a peImage at its start).
void setSecurityEntry(std::string& bytes, PeKind kind, uint32_t offset, uint32_t size);

// unsignedBytes as a signing tool leaves them: zero bytes up to a multiple
// of 8, then a certificate table of tableSize bytes, which the security
// directory names.
std::string signedLikeATool(const std::string& unsignedBytes, PeKind kind, size_t tableSize = 64);

}  // namespace packtest
