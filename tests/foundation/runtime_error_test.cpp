#include "foundation/runtime_error.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <regex>

#include "tests/foundation/fatal_report.h"

namespace {

#ifdef _WIN32
const auto kAborted = ::testing::ExitedWithCode(3);
#else
const auto kAborted = ::testing::KilledBySignal(SIGABRT);
#endif

TEST(RunTimeErrorDeathTest, FatalReportIsLoggedAndExitsWithOne) {
    ScratchFolder folder("fatal-report");
    EXPECT_FATAL_REPORT(runTimeError("compress", 123, "Block overrun during decompression", true),
                        "File compress, line 123:\nBlock overrun during decompression\n"
                        "Please report to ");

    std::string log = readLog(folder.path() / "error.lst");
    // ctime's 24 characters, then the text, a line end and an empty line.
    std::regex record(
        "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n"
        "File compress, line 123:\nBlock overrun during decompression\n"
        "Please report to [^\n]+\n\n");
    EXPECT_TRUE(std::regex_match(log, record)) << log;
}

TEST(RunTimeErrorDeathTest, ReportsAreAppended) {
    ScratchFolder folder("appended-reports");
    EXPECT_FATAL_REPORT(runTimeError("acollect", 1, "first", true), "first");
    EXPECT_FATAL_REPORT(runTimeError("acollect", 2, "second", true), "second");
    std::string log = readLog(folder.path() / "error.lst");
    EXPECT_LT(log.find("\nfirst\n"), log.find("\nsecond\n"));
}

// The hook of the first report raises a second one while the first is "shown".
void reportAgain(const char*, bool) {
    reportRunTimeError("nested", true);
}

TEST(RunTimeErrorDeathTest, AReportDuringAReportAborts) {
    ScratchFolder folder("nested-report");
    EXPECT_EXIT(
        {
            setRunTimeErrorHook(reportAgain);
            reportRunTimeError("outer", true);
        },
        kAborted, "Critical run-time error!\nnested\nApplication will be terminated.");
}

TEST(RunTimeErrorDeathTest, AReportDuringTheExitAfterAFatalReportAborts) {
    ScratchFolder folder("report-at-exit");
    EXPECT_EXIT(
        {
            setRunTimeErrorHook(printReport);
            std::atexit([] { runTimeError("acollect", 7, "during exit", true); });
            runTimeError("acollect", 6, "first", true);
        },
        kAborted, "Critical run-time error!");
    std::string log = readLog(folder.path() / "error.lst");
    EXPECT_NE(log.find("during exit"), std::string::npos);
}

#ifndef _WIN32
// On Windows the question is a real box; the Windows tests answer it.
TEST(RunTimeErrorTest, NonFatalReportsAnsweredNoReturn) {
    ScratchFolder folder("non-fatal");
    // Off Windows the stand-in box answers No; each report shows the normal box,
    // so the in-progress flag was cleared in between.
    testing::internal::CaptureStderr();
    runTimeError("compress", 1, "one", false);
    runTimeError("compress", 2, "two", false);
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("Run-time error\nFile compress, line 1:\none"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("Run-time error\nFile compress, line 2:\ntwo"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("Close application?"), std::string::npos);
    EXPECT_EQ(shown.find("Critical"), std::string::npos);
    std::string log = readLog(folder.path() / "error.lst");
    EXPECT_NE(log.find("line 2:\ntwo\n"), std::string::npos);
}
#endif

TEST(RunTimeErrorDeathTest, AnUnwritableLogStillShowsTheReport) {
    ScratchFolder folder("unwritable-log");
    std::filesystem::create_directory(folder.path() / "error.lst");  // fopen fails on a folder
    EXPECT_FATAL_REPORT(runTimeError("acollect", 9, "still shown", true), "still shown");
}

TEST(RunTimeErrorDeathTest, LongTextsAreCut) {
    ScratchFolder folder("long-report");
    std::string message(5000, 'm');
    EXPECT_FATAL_REPORT(runTimeError("compress", 1, message.c_str(), true), "mmmm");
    std::string log = readLog(folder.path() / "error.lst");
    EXPECT_LT(log.size(), 1100u);
}

}  // namespace
