// Texts for system error codes.
#pragma once

#include <string>

#include "platform/win_sdk.h"

// The system's description of error (FormatMessageW, in UTF-8), without the trailing
// line break, blanks and full stop. When the system has none, unknownLabel
// followed by the number ("system error 1234").
std::string SystemErrorText(DWORD error, const char* unknownLabel = "system error");
