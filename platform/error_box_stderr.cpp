// Off Windows there is no message box: the report goes to standard error and
// a question is answered "No" (the process goes on), as nobody can answer it.
#include <cstdio>

#include "foundation/error_box.h"

void errorBoxBeep() {}

bool showErrorBox(const char* caption, const char* text, ErrorBoxKind kind) {
    std::fprintf(stderr, "%s\n%s\n", caption, text);
    if (kind == ErrorBoxKind::AskClose) std::fputs("(no one to answer: going on)\n", stderr);
    std::fflush(stderr);
    return false;
}
