// Run-time error reporting: the fatal failure path of the collections and of
// the block codec's stream functions (which make it from the codec's status).
//
// A report is appended to "error.lst" in the current folder (time line, text,
// empty line; flushed before anything is shown), then shown in a task-modal
// message box. A fatal report ends the process with exit code 1 once the box
// is closed; it never returns. A report raised while another is being shown,
// or while the process shuts down after a fatal report, is shown as
// "Critical run-time error!" and aborts the process (exit code 3 on Windows).
// A failure to write "error.lst" is ignored.
#pragma once

// Formats "File <unit>, line <line>:\n<message>\nPlease report to <address>"
// and reports it. Returns only for a non-fatal report the user chose to survive.
void runTimeError(const char* sourceUnit, int line, const char* message, bool fatal);

// Writes the log record and informs the user, as described above.
void reportRunTimeError(const char* text, bool fatal);

// Same as runTimeError(unit, line, message, true), for call sites that must
// not continue: the compiler knows it does not return.
[[noreturn]] void fatalRunTimeError(const char* sourceUnit, int line, const char* message);

// Tests and fuzz targets replace what happens after the log record is written:
// the hook gets the report text and the fatal flag instead of the message box.
// A hook that returns from a fatal report still ends the process with code 1,
// so a hook that wants to survive a fatal report throws. Null restores the box.
using RunTimeErrorHook = void (*)(const char* text, bool fatal);
void setRunTimeErrorHook(RunTimeErrorHook hook);

// The address that ends every report.
extern const char* const kSupportAddress;
