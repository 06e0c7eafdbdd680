// The Windows headers our layer and the widgets use, in the order they need:
// <windows.h> first, then the headers that build on it. Include this instead
// of the individual headers.
#pragma once

// The build defines UNICODE: every generic name (CreateFile, SendMessage,
// LVITEM...) means the wide ("W") one, our programs call only those
// (win_text.h), and our wrappers' methods of the same names (CWindow's
// SendMessage, GetWindowText) are the same in every source.
#ifndef UNICODE
#error "the Windows trees are built with UNICODE defined"
#endif

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>
// clang-format on
