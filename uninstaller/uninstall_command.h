// The uninstall program's command line.
//
// From the uninstall entry: its own path, a space and the install record's
// key path, neither quoted, both possibly holding spaces:
//   C:\Program Files\Nerro\Uninstall.exe Software\Vendor\Product 1.0
// ("UninstallString" quotes the path). "QuietUninstallString" adds /S:
//   "C:\Program Files\Nerro\Uninstall.exe" /S Software\Vendor\Product 1.0
// Switches are words before the record key, not case-sensitive:
//   /S   silent: no message box at all; the exit code tells
//   /?   a box that shows the usage
// Anything else that starts with "/" before the key is wrong usage. The key
// is the rest of the line, as it stands (a key cannot start with "/").
//
// From the program itself, when a temporary copy takes over the removal (the
// installed program cannot delete its own file while it runs):
//   "<copy's path>" /continue <handles> [/result <pipe>] [/S] <record key>
// where <handles> is the first process's handle, or that handle, the copy's
// own file and its folder, separated by commas, and <pipe> the writing end
// of the pipe on which the copy sends its exit code to the first process
// (decimal handle values the copy inherits; uninstall_handover.h).
#pragma once

#include <cstdint>
#include <string>

// Exit codes of the uninstall program, meaning what the installer's do
// (config/setup_command_line.h).
constexpr int kUninstallExitRemoved = 0;    // removed; files the user added may stay
constexpr int kUninstallExitFailed = 1;     // no or damaged record, or something recorded stays
constexpr int kUninstallExitUsage = 2;      // wrong command line
constexpr int kUninstallExitCancelled = 3;  // the user answered No

constexpr const char* kUninstallUsage =
    "Usage: nerro-uninstall [/S] RECORD KEY\n\n"
    "/S\tremove silently, without any message box\n"
    "/?\tshow this help\n\n"
    "Exit codes: 0 removed, 1 refused or failed, 2 wrong usage, 3 cancelled.";

struct UninstallCommand {
    std::string recordKey;      // empty when none was given
    bool silent = false;        // /S
    bool help = false;          // /?
    std::string error;          // wrong usage: what is wrong; empty when the line is right
    bool continuation = false;  // started by the program itself as its temporary copy
    uintptr_t waitHandle = 0;   // continuation: the first process, to wait for
    uintptr_t copyFile = 0;     // continuation: the copy's file, opened for deletion on close
    uintptr_t copyFolder = 0;   // continuation: the copy's private folder
    uintptr_t resultPipe = 0;   // continuation: where the exit code goes to the first process
};

// The handles a continuation inherits.
struct ContinuationHandles {
    uintptr_t firstProcess = 0;
    uintptr_t copyFile = 0;
    uintptr_t copyFolder = 0;
    uintptr_t resultPipe = 0;  // 0: the first process does not wait for the result
};

// The marker of a continuation, and of its result pipe.
constexpr const char* kContinueSwitch = "/continue";
constexpr const char* kResultSwitch = "/result";
constexpr const char* kSilentSwitch = "/S";

// Splits commandLine (GetCommandLineA) of the program whose file is
// modulePath (GetModuleFileNameA). The program's part is quoted, or it is the
// shortest prefix ending before a space that names modulePath (with or
// without ".exe"; letter case and short names do not matter), or failing
// that the text up to the first space. Then come the switches, and the
// record key is the rest, without its leading and trailing blanks. On wrong
// usage, error says what is wrong and recordKey holds the rest of the line
// from the first word that is not understood.
UninstallCommand ParseUninstallCommand(const std::string& commandLine,
                                       const std::string& modulePath);

// The command line that starts copyPath as a continuation.
std::string ContinuationCommand(const std::string& copyPath, uintptr_t waitHandle,
                                const std::string& recordKey);
std::string ContinuationCommand(const std::string& copyPath, const ContinuationHandles& handles,
                                const std::string& recordKey, bool silent = false);
