// The user-facing half of run-time error reporting, provided by platform/:
// a message box on Windows, standard error elsewhere. The foundation library
// itself contains no Win32 call.
#pragma once

enum class ErrorBoxKind {
    Terminate,  // OK button only (application closes or terminates)
    AskClose,   // Yes/No: "Close application?"
};

// Sounds the default beep.
void errorBoxBeep();

// Shows text (UTF-8) under caption.
// Returns true when the user answered Yes to an AskClose box.
bool showErrorBox(const char* caption, const char* text, ErrorBoxKind kind);
