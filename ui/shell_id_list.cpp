#include "ui/shell_id_list.h"

#include <cstring>

namespace {

USHORT ItemBytes(const BYTE* item) {
    USHORT cb = 0;
    std::memcpy(&cb, item, sizeof cb);
    return cb;
}

}  // namespace

UINT IdListSize(LPCITEMIDLIST list) {
    if (!list) return 0;
    auto item = reinterpret_cast<const BYTE*>(list);
    UINT size = 0;
    for (USHORT cb = ItemBytes(item); cb != 0; cb = ItemBytes(item)) {
        size += cb;
        item += cb;
    }
    return size + 2;
}

LPITEMIDLIST ConcatIdLists(IMalloc& allocator, LPCITEMIDLIST parent, LPCITEMIDLIST child) {
    const UINT parentBytes = parent ? IdListSize(parent) - 2 : 0;
    const UINT childBytes = IdListSize(child);
    const UINT total = parentBytes + childBytes;
    auto result = static_cast<BYTE*>(allocator.Alloc(total == 0 ? 2 : total));
    if (!result) return nullptr;
    std::memset(result, 0, total == 0 ? 2 : total);
    if (parentBytes) std::memcpy(result, parent, parentBytes);
    if (childBytes) std::memcpy(result + parentBytes, child, childBytes);
    return reinterpret_cast<LPITEMIDLIST>(result);
}

LPITEMIDLIST CopySingleId(IMalloc& allocator, LPCITEMIDLIST id) {
    const UINT bytes = ItemBytes(reinterpret_cast<const BYTE*>(id)) + 2u;
    auto result = static_cast<BYTE*>(allocator.Alloc(bytes));
    if (!result) return nullptr;
    // The item, then a terminator of our own: the bytes behind the item are
    // one only for a single-level id.
    std::memcpy(result, id, bytes - 2);
    result[bytes - 2] = 0;
    result[bytes - 1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(result);
}
