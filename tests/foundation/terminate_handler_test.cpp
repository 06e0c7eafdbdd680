// The shipped programs' terminate handler (platform/terminate_handler.cpp),
// linked into this program as into them: each case ends a child process of
// this program through std::terminate, with its standard error going to a
// file, and checks the child's whole report and its exit code (3, abort's).
// The library's own handler would name the exception's type instead.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "tests/foundation/fatal_report.h"

namespace {

constexpr const char* kScenarioVariable = "NERRO_TERMINATE_SCENARIO";

struct Scenario {
    const char* name;
    void (*run)();
    const char* report;  // the child's standard error up to abort's own notice
};

const Scenario kScenarios[] = {
    {"std-exception",
     [] {
         try {
             throw std::runtime_error("Pack index is damaged");
         } catch (...) {
             std::terminate();
         }
     },
     "terminate called after throwing an exception\n  what():  Pack index is damaged\n"},
    {"foreign-exception",
     [] {
         try {
             throw 7;
         } catch (...) {
             std::terminate();
         }
     },
     "terminate called after throwing an exception\n"},
    {"no-exception", [] { std::terminate(); },
     "terminate called without an active exception\n"},
};

// In the child, before main: end the way the parent asked.
const int childScenario = [] {
    const char* wanted = std::getenv(kScenarioVariable);
    if (!wanted) return 0;
    for (const Scenario& scenario : kScenarios)
        if (std::string(wanted) == scenario.name) scenario.run();
    std::exit(99);  // unknown scenario
}();

// Runs this program as the child of scenario, its standard error in the file
// errorPath; returns the child's exit code, or ~0u when it did not end.
DWORD runChild(const Scenario& scenario, const std::string& errorPath) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE errorFile = CreateFileA(errorPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (errorFile == INVALID_HANDLE_VALUE) return ~0u;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = std::string("\"") + self + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = errorFile;
    startup.hStdError = errorFile;
    PROCESS_INFORMATION child{};
    SetEnvironmentVariableA(kScenarioVariable, scenario.name);
    BOOL started = CreateProcessA(self, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &child);
    SetEnvironmentVariableA(kScenarioVariable, nullptr);
    CloseHandle(errorFile);
    if (!started) return ~0u;
    DWORD code = ~0u;
    if (WaitForSingleObject(child.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(child.hProcess, &code);
    else
        TerminateProcess(child.hProcess, 98);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    return code;
}

TEST(TerminateHandlerTest, ReportsTheEscapedExceptionOnStandardErrorAndAborts) {
    ScratchFolder folder("terminate-handler");
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        std::string errorPath = (folder.path() / (std::string(scenario.name) + ".txt")).string();
        EXPECT_EQ(runChild(scenario, errorPath), 3u);
        std::string written = readLog(errorPath);
        // abort adds a notice of its own after the report.
        EXPECT_EQ(written.substr(0, std::string(scenario.report).size()), scenario.report)
            << written;
    }
}

}  // namespace
