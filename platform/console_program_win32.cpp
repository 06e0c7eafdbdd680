// A console program's arguments, path and console through the wide Win32
// calls.

#include <cstdlib>
#include <vector>

#include "foundation/console_program.h"
#include "foundation/utf8.h"
#include "platform/win_sdk.h"
#include "platform/win_text.h"
// After <windows.h>, which it needs.
// clang-format off
#include <shellapi.h>
// clang-format on

namespace {

UINT outputCodePageBefore = 0;

void restoreConsoleCodePage() {
    SetConsoleOutputCP(outputCodePageBefore);
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    if (wide) {
        for (int i = 0; i < count; ++i)
            args.push_back(WideToUtf8(wide[i]));
        LocalFree(wide);
        return args;
    }
    for (int i = 0; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

void UseUtf8Console() {
    // Without a console (output to a file or pipe) there is nothing to set.
    const UINT before = GetConsoleOutputCP();
    if (before == 0 || before == CP_UTF8 || outputCodePageBefore != 0) return;
    if (!SetConsoleOutputCP(CP_UTF8)) return;
    // The code page is the console's, shared with the shell that started us.
    outputCodePageBefore = before;
    std::atexit(restoreConsoleCodePage);
}

std::string RunningProgramPath() {
    return FilledText([](wchar_t* buffer, DWORD capacity) {
        return GetModuleFileNameW(nullptr, buffer, capacity);
    });
}
