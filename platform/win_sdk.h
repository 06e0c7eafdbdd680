// The Windows headers our layer and the widgets use, in the order they need:
// <windows.h> first, then the headers that build on it. Include this instead
// of the individual headers.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>
// clang-format on
