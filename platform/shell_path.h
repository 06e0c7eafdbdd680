// The file-system path of a shell item, of any length.
#pragma once

#include <string>

#include "platform/win_sdk.h"
// The shell's header needs windows.h first.
#include <shlobj.h>

// The path of item id list id, as UTF-8; empty when it names no file-system
// object. SHGetPathFromIDListEx (Windows 7 on, bound when first used, so
// that the programs still start where it is missing) takes a buffer of any
// size; SHGetPathFromIDListW, used without it, stops at MAX_PATH characters.
// A long path may come back in the "\\?\" form.
std::string PathFromIdList(LPCITEMIDLIST id);
