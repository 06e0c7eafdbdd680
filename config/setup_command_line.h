// The installer's command line, for people and for scripts:
//   SETUP.exe [PACKFILE] [/S] [/LOG=FILE] [/D=FOLDER]
//   /S         silent: no window, no message box; the exit code tells
//   /D=FOLDER  the installation folder; the last argument, taken to the end
//              of the line as it stands (it may hold spaces, unquoted)
//   /LOG=FILE  a plain-text log of everything written and of every error
//   /?         a box that shows this usage
// An argument that is not a switch names the file holding the pack (the
// installer's own file when none does). Switches are not case-sensitive.
#pragma once

#include <string>

// Exit codes of the installer.
constexpr int kSetupExitInstalled = 0;
constexpr int kSetupExitFailed = 1;  // refused or failed; nothing left behind
constexpr int kSetupExitUsage = 2;
constexpr int kSetupExitCancelled = 3;

constexpr const char* kSetupUsage =
    "Usage: setup [/S] [/LOG=FILE] [/D=FOLDER]\n\n"
    "/S\tinstall silently, without any window\n"
    "/LOG=FILE\twrite a log of the installation to FILE\n"
    "/D=FOLDER\tinstall into FOLDER (the last argument; it may hold spaces)\n"
    "/?\tshow this help\n\n"
    "Exit codes: 0 installed, 1 refused or failed, 2 wrong usage, 3 cancelled.";

struct SetupOptions {
    std::string program;   // the first word: the installer's own path
    std::string packPath;  // the first argument that is not a switch; empty when none
    std::string folder;    // /D=
    std::string logPath;   // /LOG=
    bool silent = false;   // /S
    bool help = false;     // /?
    std::string error;     // wrong usage: what is wrong; empty when the line is right
};

// Splits a whole command line (GetCommandLineA) as described above. Words are
// separated by blanks; a word in double quotes may hold blanks.
SetupOptions ParseSetupCommandLine(const std::string& commandLine);
