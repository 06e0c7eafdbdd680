// Legacy code pages, provided by platform/ (Windows' own tables there,
// iconv elsewhere): the foundation library itself contains no Win32 call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The system's ANSI code page (1252 on a Western Windows). Off Windows,
// where there is no such thing, 1252 stands in for it.
constexpr uint32_t kSystemCodePage = 0;

// Converts bytes in codePage (a Windows code page number: 1251, 932, ...;
// kSystemCodePage for the system's) to UTF-8. False, utf8 untouched, when
// the system does not know that code page.
bool CodePageToUtf8(uint32_t codePage, std::string_view bytes, std::string& utf8);
