// Running nerro-uninstall.exe the way the uninstall entry does, answering its
// message boxes, and taking snapshots of the drive and the registry to
// compare before and after.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/win_sdk.h"

namespace installtest {

// One message box the program showed.
struct SeenMessage {
    std::string caption;
    std::string text;
    bool question = false;  // it had Yes and No
};

// What one run showed, and the exit code of the process started.
struct RunResult {
    std::vector<SeenMessage> messages;
    DWORD exitCode = STILL_ACTIVE;  // STILL_ACTIVE when it could not be read
};

// Starts commandLine (CreateProcessW without an application name, as the
// system starts an uninstall entry) in a job, so that the temporary copy the
// program starts is followed too. Answers each message box of the job's
// processes: a question with Yes when confirm, else No; any other with OK.
// Returns when no process of the job is left (or after timeoutMs, failing).
RunResult RunProgram(const std::string& commandLine, bool confirm, DWORD timeoutMs = 60000);

// The same, for the messages alone.
std::vector<SeenMessage> RunAndAnswer(const std::string& commandLine, bool confirm,
                                      DWORD timeoutMs = 60000);

// Every folder and file below root (a drive's "C:"), with the files' sizes,
// leaving out what tests running beside this one make: the temporary folder
// (except copies the uninstall program leaves there, which are kept in the
// snapshot) and names made by the other installation tests.
std::set<std::string> DriveSnapshot(const std::string& root);

// Every key and value below root, named by prefix ("HKLM", "HKCU"), with the
// same exclusions and without the keys Wine itself keeps changing
// (HKLM\Hardware, HKLM\System, HKCU\Software\Wine).
std::set<std::string> RegistrySnapshot(HKEY root, const std::string& prefix);

// The lines of after that are not in before, and those of before not in after.
std::string SnapshotDifference(const std::set<std::string>& before,
                               const std::set<std::string>& after);

}  // namespace installtest
