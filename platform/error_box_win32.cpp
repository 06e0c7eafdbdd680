#include <windows.h>

#include <string>

#include "foundation/error_box.h"

void errorBoxBeep() {
    MessageBeep(0);
}

bool showErrorBox(const char* caption, const char* text, ErrorBoxKind kind) {
    // Report texts are written in the OEM code page; the box shows ANSI.
    std::string shown(text);
    OemToCharA(shown.c_str(), &shown[0]);
    UINT style = MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND;  // 0x12010
    if (kind == ErrorBoxKind::AskClose) style |= MB_YESNO;       // 0x12014
    return MessageBoxA(nullptr, shown.c_str(), caption, style) == IDYES;
}
