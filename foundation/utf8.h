// UTF-8, the one representation of text inside our programs.
//
// Every std::string and const char* that holds text (names, paths, messages,
// configuration values) holds UTF-8. Text meets another encoding only at the
// edges: Windows' wide (UTF-16) functions in platform/, text files written
// in UTF-16 or a legacy code page (text_decoding.h), and the console.
//
// The conversions never fail: a byte sequence that is not UTF-8 becomes
// U+FFFD, and so does an unpaired surrogate of UTF-16, so that a damaged
// name can still be shown (and never silently matches another one).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF). ASCII is UTF-8.
bool IsValidUtf8(std::string_view text);

// UTF-8 to UTF-16 (wchar_t is 16 bits on Windows; elsewhere each wchar_t
// holds one UTF-16 unit as well, so the result is the same everywhere).
std::wstring Utf8ToWide(std::string_view text);
// UTF-16 (in wchar_t units) to UTF-8.
std::string WideToUtf8(std::wstring_view text);
std::string WideToUtf8(const wchar_t* text);
// UTF-16 little-endian bytes (size rounded down to whole units) to UTF-8.
std::string Utf16LeToUtf8(const uint8_t* data, size_t size);
std::string Utf16BeToUtf8(const uint8_t* data, size_t size);

// A path for Windows' wide file functions: UTF-16 with forward slashes
// turned into backslashes and, when the path is absolute and too long for
// the plain form (the folder functions stop at 248 characters), the
// "\\?\" form ("\\?\UNC\server\share\..." for a network path), which has no
// length limit. Such a path must be absolute and normal (no "." or ".."
// components): the "\\?\" form is taken literally. Short paths stay as they
// are, so that every function that does not know the long form still works
// with them.
std::wstring Utf8ToWidePath(std::string_view path);

// std::fopen with a UTF-8 path, on Windows through _wfopen (long paths in
// the "\\?\" form, see above).
std::FILE* OpenFileUtf8(const char* path, const char* mode);
