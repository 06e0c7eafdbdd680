#include "platform/win_error.h"

#include "platform/win_text.h"

std::string SystemErrorText(DWORD error, const char* unknownLabel) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result = length ? Utf8(std::wstring_view(text, length)) : std::string();
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.'))
        result.pop_back();
    if (result.empty()) result = std::string(unknownLabel) + " " + std::to_string(error);
    return result;
}
