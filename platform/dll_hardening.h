// Start-up hardening of a program's DLL search (the installer and the
// uninstall program).
//
// An installer usually runs elevated from a Downloads folder, where anyone
// may have left a DLL named like a system one. HardenDllSearch, called before
// anything else, restricts the search of every later LoadLibrary (and of the
// DLLs those load) to the system folder with
// SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) where the system
// has it (resolved at run time: very old systems lack it), and otherwise at
// least takes the current folder out of the search (SetDllDirectoryW(L"")).
// The programs import only DLLs that the system always loads from its own
// folder (the KnownDLLs); others (the logo's picture loader in oleaut32.dll)
// are loaded by name later, see LoadSystemLibrary.
#pragma once

#include "platform/win_sdk.h"

// True when the search was restricted to the system folder.
bool HardenDllSearch();

// LoadLibrary of a system DLL by its bare name ("oleaut32.dll") after the
// hardening: from the system folder only where the system can say so.
HMODULE LoadSystemLibrary(const char* name);
