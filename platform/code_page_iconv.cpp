// Legacy code pages off Windows, through the C library's iconv. There is no
// system ANSI code page here: 1252, the Western one, stands in for it.
#include <iconv.h>

#include <cerrno>
#include <string>

#include "foundation/code_page.h"

bool CodePageToUtf8(uint32_t codePage, std::string_view bytes, std::string& utf8) {
    const uint32_t page = codePage == kSystemCodePage ? 1252 : codePage;
    const std::string name = page == 65001 ? "UTF-8" : "CP" + std::to_string(page);
    iconv_t converter = iconv_open("UTF-8//TRANSLIT", name.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string out;
    char buffer[4096];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPointer = buffer;
        size_t outLeft = sizeof buffer;
        const size_t done = iconv(converter, &in, &inLeft, &outPointer, &outLeft);
        out.append(buffer, static_cast<size_t>(outPointer - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte the code page does not define: U+FFFD, and on.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    iconv_close(converter);
    utf8 = std::move(out);
    return true;
}
