#include "installer/windows_names.h"

#include <vector>

#include "platform/win_text.h"

namespace {

// Calls fill(buffer, capacity) until the result fits: the functions return
// the length they need (with the NUL) when the buffer is too small, 0 on
// failure.
template <typename Fill>
std::wstring filled(Fill fill) {
    std::vector<wchar_t> buffer(512);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
    return {};
}

}  // namespace

std::wstring PlainPath(std::wstring path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
    return path;
}

std::string FullPathName(const std::string& path) {
    // The plain form: given "\\?\", the function takes the path literally.
    const std::wstring wide = Wide(path);
    return Utf8(filled([&](wchar_t* buffer, DWORD capacity) {
        return GetFullPathNameW(wide.c_str(), capacity, buffer, nullptr);
    }));
}

std::string LongPathName(const std::string& path) {
    const std::wstring wide = WidePath(path);
    const std::wstring found = filled([&](wchar_t* buffer, DWORD capacity) {
        return GetLongPathNameW(wide.c_str(), buffer, capacity);
    });
    if (found.empty()) return {};
    return Utf8(path.compare(0, 4, "\\\\?\\") == 0 ? found : PlainPath(found));
}

std::string LaunchablePath(const std::string& path) {
    // Backslashes only (WidePath turns slashes), and no "\\?\" prefix.
    const std::wstring plain = PlainPath(WidePath(path));
    if (plain.size() < MAX_PATH) return Utf8(plain);
    const std::wstring wide = WidePath(path);
    const std::wstring shortName = PlainPath(filled([&](wchar_t* buffer, DWORD capacity) {
        return GetShortPathNameW(wide.c_str(), buffer, capacity);
    }));
    return !shortName.empty() && shortName.size() < MAX_PATH ? Utf8(shortName) : Utf8(plain);
}

std::string LowerCaseName(const std::string& name) {
    std::wstring wide = Wide(name);
    if (!wide.empty()) CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return Utf8(wide);
}
