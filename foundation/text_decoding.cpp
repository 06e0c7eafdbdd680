#include "foundation/text_decoding.h"

#include <cstring>

#include "foundation/code_page.h"
#include "foundation/tinifile.h"
#include "foundation/utf8.h"

namespace {

int32_t firstNonAsciiLine(const std::string& bytes) {
    int32_t line = 1;
    for (const char c : bytes) {
        if (c == '\n') ++line;
        if (static_cast<unsigned char>(c) >= 0x80) return line;
    }
    return 0;
}

// The "Code page" the legacy text declares in section, or 0. Keys and
// section names are ASCII, which every code page a text file may be
// written in keeps as it is.
uint32_t declaredCodePage(const std::string& bytes, const char* section) {
    if (!section) return 0;
    TIniFile ini;
    ini.Parse(bytes.c_str());
    const int32_t codePage = ini.GetInt(section, "Code page", 0);
    return codePage > 0 ? static_cast<uint32_t>(codePage) : 0;
}

}  // namespace

DecodedText DecodeTextFile(const uint8_t* data, size_t size, const char* codePageSection) {
    DecodedText result;
    if (!data) size = 0;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        result.encoding = TextEncoding::Utf8WithMark;
        // What is not UTF-8 after the mark is shown as U+FFFD.
        result.text = WideToUtf8(Utf8ToWide(
            std::string_view(reinterpret_cast<const char*>(data) + 3, size - 3)));
        return result;
    }
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        result.encoding = TextEncoding::Utf16Le;
        result.text = Utf16LeToUtf8(data + 2, size - 2);
        return result;
    }
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        result.encoding = TextEncoding::Utf16Be;
        result.text = Utf16BeToUtf8(data + 2, size - 2);
        return result;
    }
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (IsValidUtf8(bytes)) {
        result.text = std::move(bytes);
        return result;
    }
    result.firstNonAsciiLine = firstNonAsciiLine(bytes);
    result.codePage = declaredCodePage(bytes, codePageSection);
    result.encoding =
        result.codePage ? TextEncoding::DeclaredCodePage : TextEncoding::SystemCodePage;
    if (!CodePageToUtf8(result.codePage ? result.codePage : kSystemCodePage, bytes, result.text)) {
        result.text.clear();
        result.error = "code page " + std::to_string(result.codePage) + " is not known to this system";
    }
    return result;
}

bool ParseTextFile(TIniFile& ini, const uint8_t* data, size_t size, const char* codePageSection,
                   DecodedText* decoded) {
    DecodedText text = DecodeTextFile(data, size, codePageSection);
    bool parsed = false;
    if (text.error.empty()) {
        parsed = ini.Parse(text.text.c_str());
    } else {
        ini.Parse(nullptr);
    }
    if (decoded) *decoded = std::move(text);
    return parsed;
}
