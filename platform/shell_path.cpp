#include "platform/shell_path.h"

#include <vector>

#include "platform/win_text.h"

namespace {

// The longest path there is, in UTF-16 units.
constexpr DWORD kLongPathChars = 32768;

using PathFromIdListEx = BOOL(WINAPI*)(LPCITEMIDLIST, PWSTR, DWORD, int);

PathFromIdListEx BindPathFromIdListEx() {
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    if (!shell) return nullptr;
    return reinterpret_cast<PathFromIdListEx>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SHGetPathFromIDListEx")));
}

}  // namespace

std::string PathFromIdList(LPCITEMIDLIST id) {
    static const PathFromIdListEx extended = BindPathFromIdListEx();
    if (extended) {
        std::vector<wchar_t> path(kLongPathChars, L'\0');
        if (extended(id, path.data(), kLongPathChars, 0)) return Utf8(path.data());
    }
    wchar_t path[MAX_PATH + 1] = L"";
    if (!SHGetPathFromIDListW(id, path)) return std::string();
    return Utf8(path);
}
