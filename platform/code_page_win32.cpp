// Legacy code pages through Windows' own tables.
#include "foundation/code_page.h"
#include "foundation/utf8.h"
#include "platform/win_sdk.h"

bool CodePageToUtf8(uint32_t codePage, std::string_view bytes, std::string& utf8) {
    const UINT page = codePage == kSystemCodePage ? CP_ACP : static_cast<UINT>(codePage);
    if (page != CP_ACP && !IsValidCodePage(page)) return false;
    if (bytes.empty()) {
        utf8.clear();
        return true;
    }
    if (bytes.size() > 0x7FFFFFFF) return false;
    const int length = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(page, 0, bytes.data(), length, nullptr, 0);
    if (wideLength <= 0) return false;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(page, 0, bytes.data(), length, wide.data(), wideLength);
    utf8 = WideToUtf8(wide);
    return true;
}
