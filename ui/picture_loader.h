// The logo's picture decoder: the system's OLE picture loader
// (OleLoadPicture in oleaut32.dll), bound at run time. oleaut32.dll is not a
// DLL the system always takes from its own folder, so no program of ours
// imports it: an import would be resolved at process start, from the
// program's own folder first (a Downloads folder, where anyone may have left
// a DLL of that name). It is loaded by name from the system folder on first
// use instead, after the program's start-up hardening (dll_hardening.h).
// Binding by name works the same in the 32- and the 64-bit build.
#pragma once

#include "platform/win_sdk.h"

// OleLoadPicture(stream, size, FALSE, IID_IPicture, picture). E_FAIL, and a
// null picture, when the system's loader cannot be bound.
HRESULT LoadPictureFromStream(IStream* stream, LONG size, IPicture** picture);
