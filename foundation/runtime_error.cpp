#include "foundation/runtime_error.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "foundation/error_box.h"

const char* const kSupportAddress = "support@nerro-plugins.example";

namespace {

// Set when a report starts showing its box; cleared only when a non-fatal
// report is answered No. A report that finds it set is a report during a
// report (or during the exit after a fatal one) and aborts.
bool reportInProgress = false;

RunTimeErrorHook hook = nullptr;

// Reports are short; a longer text is cut at this size (including the zero).
constexpr size_t kMaxReportText = 1000;

void appendToLog(const char* text) {
    std::FILE* log = std::fopen("error.lst", "a");
    if (!log) return;
    std::time_t now = std::time(nullptr);
    const char* stamp = std::ctime(&now);  // 24 characters and a line feed
    std::fputs(stamp ? stamp : "(no time)\n", log);
    std::fputs(text, log);
    std::fputs("\n", log);
    std::fflush(log);
    std::fputs("\n", log);
    std::fflush(log);
    std::fclose(log);
}

}  // namespace

void setRunTimeErrorHook(RunTimeErrorHook newHook) {
    hook = newHook;
}

void reportRunTimeError(const char* text, bool fatal) {
    if (!text) text = "";
    appendToLog(text);

    if (reportInProgress) {
        errorBoxBeep();
        std::string shown = std::string(text) + "\nApplication will be terminated.";
        showErrorBox("Critical run-time error!", shown.c_str(), ErrorBoxKind::Terminate);
        std::abort();
    }
    reportInProgress = true;

    if (hook) {
        try {
            hook(text, fatal);
        } catch (...) {
            reportInProgress = false;  // the hook survived the report by throwing
            throw;
        }
        if (fatal) std::exit(1);
        reportInProgress = false;
        return;
    }

    errorBoxBeep();
    if (fatal) {
        std::string shown = std::string(text) + "\nApplication will be closed.";
        showErrorBox("Run-time error", shown.c_str(), ErrorBoxKind::Terminate);
        std::exit(1);
    }
    std::string shown = std::string(text) + "\nClose application?";
    if (showErrorBox("Run-time error", shown.c_str(), ErrorBoxKind::AskClose)) std::exit(1);
    reportInProgress = false;
}

void runTimeError(const char* sourceUnit, int line, const char* message, bool fatal) {
    char text[kMaxReportText];
    std::snprintf(text, sizeof text, "File %s, line %d:\n%s\nPlease report to %s",
                  sourceUnit ? sourceUnit : "?", line, message ? message : "", kSupportAddress);
    reportRunTimeError(text, fatal);
}

void fatalRunTimeError(const char* sourceUnit, int line, const char* message) {
    runTimeError(sourceUnit, line, message, true);
    std::exit(1);  // not reached: a fatal report never returns
}
