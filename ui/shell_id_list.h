// Item id lists of the shell namespace: a sequence of items, each beginning
// with its 16-bit byte count cb (the count field included), ended by a zero
// cb. Every list made here is allocated with the shell allocator passed in
// and belongs to the caller, who frees it with that allocator's Free.
#pragma once

#include "platform/win_sdk.h"
// After the SDK headers.
#include <shlobj.h>

// Bytes of the whole list: every cb plus 2 for the terminator; 0 for null.
UINT IdListSize(LPCITEMIDLIST list);

// parent followed by child: size(parent) - 2 + size(child) bytes, zeroed,
// then parent without its terminator and the whole child. A null parent
// gives a copy of child. Null when the allocation fails.
LPITEMIDLIST ConcatIdLists(IMalloc& allocator, LPCITEMIDLIST parent, LPCITEMIDLIST child);

// A copy of the first item of id (cb + 2 bytes: the item and the two bytes
// behind it, which end a single-level id). Null when the allocation fails.
LPITEMIDLIST CopySingleId(IMalloc& allocator, LPCITEMIDLIST id);
