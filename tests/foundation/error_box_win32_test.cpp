// The fatal report as a user meets it: a real message box in a child process,
// closed from here with the OK button, then the child's exit code and its
// "error.lst" record.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "foundation/runtime_error.h"
#include "foundation/tcollection.h"
#include "tests/foundation/fatal_report.h"

namespace {

constexpr const char* kScenarioVariable = "NERRO_ERROR_BOX_SCENARIO";

// In the child, before main: raise the report the parent asked for.
const int childScenario = [] {
    const char* scenario = std::getenv(kScenarioVariable);
    if (!scenario) return 0;
    if (std::string(scenario) == "two-questions") {
        runTimeError("compress", 1, "First question", false);
        runTimeError("compress", 2, "Second question", false);
        std::exit(0);
    }
    if (std::string(scenario) == "report-at-exit")
        std::atexit([] { runTimeError("acollect", 77, "Reported during exit", true); });
    TCollection collection(5, 5);
    collection.itemAt(5);
    return 1;
}();

struct Child {
    PROCESS_INFORMATION info{};
    ~Child() {
        if (info.hProcess) {
            TerminateProcess(info.hProcess, 99);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
};

bool startChild(const char* scenario, const std::string& folder, Child& child) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = std::string("\"") + self + "\"";
    SetEnvironmentVariableA(kScenarioVariable, scenario);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    BOOL started = CreateProcessA(self, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.c_str(), &startup, &child.info);
    SetEnvironmentVariableA(kScenarioVariable, nullptr);
    return started != FALSE;
}

struct WindowSearch {
    DWORD processId;
    const char* caption;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char text[128] = "";
    GetWindowTextA(window, text, sizeof text);
    if (owner != search->processId || std::string(text) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

// The child's top-level window with this caption, waited for up to 30 s.
HWND waitForBox(DWORD processId, const char* caption) {
    WindowSearch search{processId, caption, nullptr};
    for (int attempt = 0; attempt < 300 && !search.found; ++attempt) {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(100);
    }
    return search.found;
}

// A message box's text control has id 0xFFFF on Windows and 100 under Wine.
std::string boxText(HWND box) {
    char text[2048] = "";
    if (!GetDlgItemTextA(box, 0xFFFF, text, sizeof text))
        GetDlgItemTextA(box, 100, text, sizeof text);
    return text;
}

DWORD waitForExit(Child& child) {
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(child.info.hProcess, &code);
    return code;
}

TEST(ErrorBoxWin32Test, FatalReportShowsTheBoxAndExitsWithOne) {
    ScratchFolder folder("error-box-fatal");
    Child child;
    ASSERT_TRUE(startChild("fatal", folder.path().string(), child));

    HWND box = waitForBox(child.info.dwProcessId, "Run-time error");
    ASSERT_NE(box, nullptr) << "no \"Run-time error\" box appeared";
    std::string text = boxText(box);
    EXPECT_NE(text.find("File acollect, line "), std::string::npos) << text;
    EXPECT_NE(text.find("Collection index 5 is out of bounds"), std::string::npos) << text;
    EXPECT_NE(text.find("Application will be closed."), std::string::npos) << text;
    // The record is on disk before the box is shown.
    std::string log = readLog(folder.path() / "error.lst");
    EXPECT_NE(log.find("Collection index 5 is out of bounds\nPlease report to "),
              std::string::npos);

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(waitForExit(child), 1u);
}

TEST(ErrorBoxWin32Test, NonFatalReportsAnsweredNoLetTheProgramGoOn) {
    ScratchFolder folder("error-box-questions");
    Child child;
    ASSERT_TRUE(startChild("two-questions", folder.path().string(), child));
    for (const char* message : {"First question", "Second question"}) {
        // Both are ordinary reports: the flag was cleared by the first No.
        HWND box = waitForBox(child.info.dwProcessId, "Run-time error");
        ASSERT_NE(box, nullptr) << message;
        std::string text = boxText(box);
        EXPECT_NE(text.find(message), std::string::npos) << text;
        EXPECT_NE(text.find("Close application?"), std::string::npos) << text;
        PostMessageA(box, WM_COMMAND, IDNO, 0);
        // Wait for this box to go before looking for the next one.
        for (int i = 0; i < 100 && IsWindow(box); ++i)
            Sleep(50);
    }
    EXPECT_EQ(waitForExit(child), 0u);
}

TEST(ErrorBoxWin32Test, AReportDuringTheExitIsCriticalAndAborts) {
    ScratchFolder folder("error-box-critical");
    Child child;
    ASSERT_TRUE(startChild("report-at-exit", folder.path().string(), child));

    HWND first = waitForBox(child.info.dwProcessId, "Run-time error");
    ASSERT_NE(first, nullptr);
    PostMessageA(first, WM_COMMAND, IDOK, 0);

    HWND critical = waitForBox(child.info.dwProcessId, "Critical run-time error!");
    ASSERT_NE(critical, nullptr) << "no \"Critical run-time error!\" box appeared";
    std::string text = boxText(critical);
    EXPECT_NE(text.find("Reported during exit"), std::string::npos) << text;
    EXPECT_NE(text.find("Application will be terminated."), std::string::npos) << text;
    PostMessageA(critical, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(waitForExit(child), 3u);

    std::string log = readLog(folder.path() / "error.lst");
    EXPECT_LT(log.find("Collection index 5"), log.find("Reported during exit"));
}

}  // namespace
