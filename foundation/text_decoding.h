// Text files ("Nerro.ini", catalogues, licences) as UTF-8.
//
// A file may be UTF-8 (with or without a byte order mark) or UTF-16 with a
// byte order mark (little- or big-endian). A file without a byte order mark
// that is not valid UTF-8 was written for a legacy code page: it is read in
// the code page it declares (the key "Code page" in its section
// codePageSection, e.g. "Code page=1251" in [General]) or else in the
// system's ANSI code page, as Windows programs of old read such files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TIniFile;

enum class TextEncoding {
    Utf8,              // no byte order mark, valid UTF-8 (plain ASCII included)
    Utf8WithMark,      // EF BB BF
    Utf16Le,           // FF FE
    Utf16Be,           // FE FF
    DeclaredCodePage,  // legacy bytes, "Code page" names their code page
    SystemCodePage,    // legacy bytes, no code page declared
};

struct DecodedText {
    std::string text;  // UTF-8, without a byte order mark
    TextEncoding encoding = TextEncoding::Utf8;
    uint32_t codePage = 0;  // the declared one (DeclaredCodePage), else 0
    // Legacy files only: the 1-based number of the first line holding a byte
    // of 0x80 or above (its text depends on the code page); 0 when none.
    int32_t firstNonAsciiLine = 0;
    // Empty, or why the file cannot be read ("code page 9999 is not known
    // to this system"); text is then empty.
    std::string error;
};

// Decodes size bytes at data as described above.
DecodedText DecodeTextFile(const uint8_t* data, size_t size, const char* codePageSection);

// Decodes and parses into ini. False (ini's failed flag set) when the
// text cannot be decoded or parsed; decoded (when not null) tells why.
bool ParseTextFile(TIniFile& ini, const uint8_t* data, size_t size, const char* codePageSection,
                   DecodedText* decoded = nullptr);
