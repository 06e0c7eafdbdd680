#include <string>

#include "foundation/error_box.h"
#include "platform/win_text.h"

void errorBoxBeep() {
    MessageBeep(0);
}

bool showErrorBox(const char* caption, const char* text, ErrorBoxKind kind) {
    UINT style = MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND;  // 0x12010
    if (kind == ErrorBoxKind::AskClose) style |= MB_YESNO;       // 0x12014
    return MessageBoxW(nullptr, Wide(text ? text : "").c_str(), Wide(caption ? caption : "").c_str(),
                       style) == IDYES;
}
