#include "platform/win_text.h"

std::string ModuleFileName(HMODULE module) {
    return FilledText([&](wchar_t* buffer, DWORD capacity) {
        return GetModuleFileNameW(module, buffer, capacity);
    });
}

std::string WindowsFolder() {
    return FilledText([](wchar_t* buffer, DWORD capacity) {
        return static_cast<DWORD>(GetWindowsDirectoryW(buffer, capacity));
    });
}

std::string SystemFolder() {
    return FilledText([](wchar_t* buffer, DWORD capacity) {
        return static_cast<DWORD>(GetSystemDirectoryW(buffer, capacity));
    });
}

std::string TempFolder() {
    return FilledText([](wchar_t* buffer, DWORD capacity) {
        return GetTempPathW(capacity, buffer);
    });
}

std::string EnvironmentVariable(const char* name, bool* found) {
    if (found) *found = false;
    const std::wstring wideName = Wide(name ? name : "");
    std::vector<wchar_t> buffer(256);
    for (int attempt = 0; attempt < 4; ++attempt) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length =
            GetEnvironmentVariableW(wideName.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            if (found) *found = GetLastError() != ERROR_ENVVAR_NOT_FOUND;
            return {};
        }
        if (length < buffer.size()) {
            if (found) *found = true;
            return Utf8(std::wstring_view(buffer.data(), length));
        }
        buffer.resize(length + 1);
    }
    return {};
}
