// The uninstall program's command line.
//
// From the uninstall entry: its own path, a space and the install record's
// key path, neither quoted, both possibly holding spaces:
//   C:\Program Files\Nerro\Uninstall.exe Software\Vendor\Product 1.0
// From the program itself, when a temporary copy takes over the removal (the
// installed program cannot delete its own file while it runs):
//   "<copy's path>" /continue <handles> <record key>
// where <handles> is the first process's handle, or that handle, the copy's
// own file and its folder, separated by commas (decimal handle values the
// copy inherits).
#pragma once

#include <cstdint>
#include <string>

struct UninstallCommand {
    std::string recordKey;      // empty when none was given
    bool continuation = false;  // started by the program itself as its temporary copy
    uintptr_t waitHandle = 0;   // continuation: the first process, to wait for
    uintptr_t copyFile = 0;     // continuation: the copy's file, opened for deletion on close
    uintptr_t copyFolder = 0;   // continuation: the copy's private folder
};

// The handles a continuation inherits.
struct ContinuationHandles {
    uintptr_t firstProcess = 0;
    uintptr_t copyFile = 0;
    uintptr_t copyFolder = 0;
};

// The marker of a continuation.
constexpr const char* kContinueSwitch = "/continue";

// Splits commandLine (GetCommandLineA) of the program whose file is
// modulePath (GetModuleFileNameA). The program's part is quoted, or it is the
// shortest prefix ending before a space that names modulePath (with or
// without ".exe"; letter case and short names do not matter), or failing
// that the text up to the first space. The record key is the rest, without
// its leading and trailing blanks.
UninstallCommand ParseUninstallCommand(const std::string& commandLine,
                                       const std::string& modulePath);

// The command line that starts copyPath as a continuation.
std::string ContinuationCommand(const std::string& copyPath, uintptr_t waitHandle,
                                const std::string& recordKey);
std::string ContinuationCommand(const std::string& copyPath, const ContinuationHandles& handles,
                                const std::string& recordKey);
