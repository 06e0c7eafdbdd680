#include "ui/shell_tree.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/code_page.h"
#include "platform/win_error.h"
#include "platform/shell_path.h"
#include "platform/win_handles.h"
#include "platform/win_text.h"
#include "ui/shell_id_list.h"

namespace {

CComPtr<IMalloc> ShellAllocator() {
    CComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.Receive()))) allocator.Reset();
    return allocator;
}

// Upper-cased as the file system compares names: every letter, not only
// ASCII (a Cyrillic folder name typed in lower case still matches).
std::string UpperCase(const std::string& text) {
    std::wstring wide = Wide(text);
    if (!wide.empty()) CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    return Utf8(wide);
}

// "C:" of a path that starts with a drive letter; empty otherwise (a
// network path, a relative one).
std::string DriveOf(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
}

// Text in the system's ANSI code page (an old shell extension's STRRET).
std::string SystemCodePageText(const char* text) {
    std::string utf8;
    if (!CodePageToUtf8(kSystemCodePage, text, utf8)) utf8 = text;
    return utf8;
}

// A failure of the folder's menu, in words for the user: what could not be
// done and the system's reason.
void ShowMenuFailure(HWND owner, const char* what, HRESULT code) {
    const std::string text = std::string(what) + "\n\n" +
                             SystemErrorText(static_cast<DWORD>(HRESULT_CODE(code)), "error");
    MessageBoxW(owner, Wide(text).c_str(), nullptr, MB_OK | MB_ICONWARNING);
}

int CALLBACK CompareItems(LPARAM first, LPARAM second, LPARAM) {
    auto* a = reinterpret_cast<ShellItemData*>(first);
    auto* b = reinterpret_cast<ShellItemData*>(second);
    if (!a || !b || !a->parentFolder) return 0;
    const HRESULT result = a->parentFolder->CompareIDs(0, a->relativeId.Get(), b->relativeId.Get());
    if (FAILED(result)) return 0;
    return static_cast<short>(HRESULT_CODE(result));
}

}  // namespace

// ---- Filling ---------------------------------------------------------------

void CShellTree::SetSystemImageList() {
    SHFILEINFOW info{};
    auto list = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (list) tree_.SetImageList(list, TVSIL_NORMAL);
}

void CShellTree::Populate() {
    CComPtr<IShellFolder> desktop;
    if (SUCCEEDED(SHGetDesktopFolder(desktop.Receive())) && desktop) {
        tree_.DeleteAllItems();
        FillChildren(desktop.Get(), nullptr, TVI_ROOT);
    }
    SortChildren(TVI_ROOT);
    HTREEITEM first = tree_.GetRootItem();
    if (first) {
        tree_.Expand(first, TVE_EXPAND);
        HTREEITEM second = tree_.GetNextSiblingItem(first);
        if (second) tree_.Expand(second, TVE_EXPAND);
    }
    SetScrollPos(tree_.Handle(), SB_VERT, 0, TRUE);
}

void CShellTree::FillChildren(IShellFolder* folder, LPCITEMIDLIST folderId, HTREEITEM parent) {
    const HWND owner = tree_.GetParent();
    CComPtr<IMalloc> allocator = ShellAllocator();
    if (!allocator || !folder) return;

    CComPtr<IEnumIDList> enumerator;
    if (FAILED(folder->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS,
                                   enumerator.Receive())) ||
        !enumerator)
        return;

    HTREEITEM previous = nullptr;
    LPITEMIDLIST id = nullptr;
    ULONG fetched = 0;
    while (enumerator->Next(1, &id, &fetched) == S_OK) {
        ULONG attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
        LPCITEMIDLIST one = id;
        folder->GetAttributesOf(1, &one, &attributes);
        if (attributes & SFGAO_FOLDER) {
            TVINSERTSTRUCT insert{};
            TVITEM& item = insert.item;
            item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
            if (attributes & SFGAO_HASSUBFOLDER) {
                item.mask |= TVIF_CHILDREN;
                item.cChildren = 1;
            }
            std::string name;
            if (!GetDisplayName(folder, id, SHGDN_NORMAL, name)) break;
            std::wstring text = Wide(name);
            item.pszText = &text[0];

            auto data = std::make_unique<ShellItemData>();
            data->absoluteId = ShellIdOwner(ConcatIdLists(*allocator.Get(), folderId, id));
            data->relativeId = ShellIdOwner(CopySingleId(*allocator.Get(), id));
            folder->AddRef();
            data->parentFolder = CComPtr<IShellFolder>(folder);
            SHFILEINFOW info{};
            const auto absolute = reinterpret_cast<LPCWSTR>(data->absoluteId.Get());
            SHGetFileInfoW(absolute, 0, &info, sizeof info,
                           SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
            item.iImage = info.iIcon;
            SHGetFileInfoW(absolute, 0, &info, sizeof info,
                           SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
            item.iSelectedImage = info.iIcon;
            item.lParam = reinterpret_cast<LPARAM>(data.get());

            insert.hParent = parent;
            insert.hInsertAfter = previous ? previous : TVI_FIRST;
            HTREEITEM inserted = tree_.InsertItem(insert);
            // Taken by the tree, the record is the item's; else it goes here.
            if (inserted) {
                previous = inserted;
                data.release();
            }
        }
        allocator->Free(id);
        id = nullptr;
    }
    if (id) allocator->Free(id);
}

void CShellTree::SortChildren(HTREEITEM parent) {
    TVSORTCB sort{};
    sort.hParent = parent;
    sort.lpfnCompare = &CompareItems;
    sort.lParam = 0;
    tree_.SortChildrenCB(sort);
}

// ---- Notifications -----------------------------------------------------------

ShellItemData* CShellTree::ItemData(HTREEITEM item) const {
    if (!item) return nullptr;
    TVITEM data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!tree_.GetItem(data)) return nullptr;
    return reinterpret_cast<ShellItemData*>(data.lParam);
}

CComPtr<IShellFolder> CShellTree::BindItem(const ShellItemData* data) const {
    CComPtr<IShellFolder> bound;
    if (!data || !data->parentFolder || !data->relativeId.Get()) return bound;
    if (FAILED(data->parentFolder->BindToObject(data->relativeId.Get(), nullptr, IID_IShellFolder,
                                                reinterpret_cast<void**>(bound.Receive()))))
        bound.Reset();
    return bound;
}

std::string CShellTree::FileSystemPath(const ShellItemData& data) const {
    ULONG attributes = SFGAO_FILESYSTEM;
    LPCITEMIDLIST one = data.relativeId.Get();
    if (FAILED(data.parentFolder->GetAttributesOf(1, &one, &attributes)) ||
        !(attributes & SFGAO_FILESYSTEM))
        return std::string();
    return PathFromIdList(data.absoluteId.Get());
}

LRESULT CShellTree::OnItemExpanding(const NMTREEVIEW& notice) {
    HTREEITEM item = notice.itemNew.hItem;
    const UINT state = static_cast<UINT>(
        tree_.SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDEDONCE));
    if (state & TVIS_EXPANDEDONCE) return 0;
    ShellItemData* data = ItemData(item);
    if (!data) return 0;
    if (const CComPtr<IShellFolder> bound = BindItem(data))
        FillChildren(bound.Get(), data->absoluteId.Get(), item);
    SortChildren(item);
    return 0;
}

bool CShellTree::OnSelChanged(const NMTREEVIEW& notice, std::string& path) {
    HTREEITEM selected = tree_.GetSelectedItem();
    if (!selected) return false;
    ShellItemData* data = ItemData(selected);
    const CComPtr<IShellFolder> bound = BindItem(data);
    if (!bound) return false;

    bool result = false;
    const std::string folderPath = FileSystemPath(*data);
    if (!folderPath.empty()) {
        path = folderPath;
        result = true;
    }
    const UINT state = static_cast<UINT>(tree_.SendMessage(
        TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(notice.itemNew.hItem), TVIS_EXPANDEDONCE));
    if (notice.itemNew.cChildren == 1 && !(state & TVIS_EXPANDEDONCE)) {
        FillChildren(bound.Get(), data->absoluteId.Get(), notice.itemNew.hItem);
        SortChildren(notice.itemNew.hItem);
        TVITEM mark{};
        mark.hItem = notice.itemNew.hItem;
        mark.mask = TVIF_STATE;
        mark.state = TVIS_EXPANDEDONCE;
        mark.stateMask = TVIS_EXPANDEDONCE;
        tree_.SetItem(mark);
    }
    return result;
}

void CShellTree::OnDeleteItem(const NMTREEVIEW& notice) {
    delete reinterpret_cast<ShellItemData*>(notice.itemOld.lParam);
}

LRESULT CShellTree::OnRightClick() {
    TVHITTESTINFO hit{};
    GetCursorPos(&hit.pt);
    ScreenToClient(tree_.Handle(), &hit.pt);
    HTREEITEM item = tree_.HitTest(hit);
    tree_.SelectItem(item);
    if (!(hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL))) return 0;
    POINT screen = hit.pt;
    ClientToScreen(tree_.Handle(), &screen);
    TVITEM data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!tree_.GetItem(data)) return 0;
    auto* record = reinterpret_cast<ShellItemData*>(data.lParam);
    if (!record || !record->parentFolder) return 0;
    ShowContextMenu(tree_.GetParent(), record->parentFolder.Get(), record->relativeId.Get(), screen);
    return 0;
}

void CShellTree::ShowContextMenu(HWND owner, IShellFolder* folder, LPCITEMIDLIST id, POINT screen) {
    CComPtr<IContextMenu> menu;
    const HRESULT got = folder->GetUIObjectOf(owner, 1, &id, IID_IContextMenu, nullptr,
                                              reinterpret_cast<void**>(menu.Receive()));
    if (FAILED(got) || !menu) {
        ShowMenuFailure(owner, "This folder's menu cannot be shown.", got);
        return;
    }
    HMENU popup = CreatePopupMenu();
    if (!popup) return;
    if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7fff, CMF_EXPLORE))) {
        const int command = static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                            screen.x, screen.y, 0, owner, nullptr));
        if (command != 0) {
            CMINVOKECOMMANDINFO invoke{};
            invoke.cbSize = sizeof invoke;
            invoke.hwnd = owner;
            // The command's offset as a verb (the field is narrow in both forms).
            invoke.lpVerb = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(command - 1));
            invoke.nShow = SW_SHOWNORMAL;
            const HRESULT ran = menu->InvokeCommand(&invoke);
            if (FAILED(ran)) ShowMenuFailure(owner, "The command could not be carried out.", ran);
        }
    }
    DestroyMenu(popup);
}

// ---- Finding a path ------------------------------------------------------------

void CShellTree::SelectPath(const std::string& path) {
    std::string test = path;
    if (test.empty()) test = ModuleFileName();
    if (!test.empty() && test.back() == '\\') test.pop_back();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(WidePath(test).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FindClose(search);

    std::string full = path;
    if (full.empty() || full.back() != '\\') full += '\\';
    const std::string drive = DriveOf(full);
    const std::string directory = full.substr(drive.size());

    for (HTREEITEM top = tree_.GetRootItem(); top; top = tree_.GetNextSiblingItem(top)) {
        HTREEITEM current = tree_.GetChildItem(top);
        if (!FindSibling(current, drive, FindMode::Drive)) continue;
        std::vector<char> components(directory.c_str(), directory.c_str() + directory.size() + 1);
        for (char* part = std::strtok(components.data(), "\\"); part;
             part = std::strtok(nullptr, "\\")) {
            current = tree_.GetChildItem(current);
            if (!FindSibling(current, part, FindMode::Text)) break;
        }
        tree_.SelectItem(current);
        return;
    }
}

bool CShellTree::FindSibling(HTREEITEM& item, const std::string& name, FindMode mode) {
    const std::string wanted = UpperCase(name);
    bool matched = false;
    while (item && !matched) {
        ShellItemData* data = ItemData(item);
        if (const CComPtr<IShellFolder> bound = BindItem(data)) {
            std::string candidate = FileSystemPath(*data);
            if (!candidate.empty()) {
                if (mode == FindMode::Drive) {
                    if (candidate.size() < 5) candidate = DriveOf(candidate);
                } else {
                    candidate = tree_.GetItemText(item);
                }
                if (UpperCase(candidate) == wanted) {
                    tree_.EnsureVisible(item);
                    tree_.Expand(item, TVE_EXPAND);
                    matched = true;
                }
            }
        }
        if (!matched) item = tree_.GetNextSiblingItem(item);
    }
    return matched;
}

bool CShellTree::GetDisplayName(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags,
                                std::string& name) {
    STRRET returned{};
    if (!folder || FAILED(folder->GetDisplayNameOf(id, flags, &returned))) return false;
    switch (returned.uType) {
        case STRRET_WSTR:
            name = returned.pOleStr ? Utf8(returned.pOleStr) : std::string();
            CoTaskMemFree(returned.pOleStr);
            return true;
        case STRRET_OFFSET:
            name = SystemCodePageText(reinterpret_cast<const char*>(id) + returned.uOffset);
            return true;
        case STRRET_CSTR:
            returned.cStr[sizeof returned.cStr - 1] = '\0';
            name = SystemCodePageText(returned.cStr);
            return true;
        default:
            return false;
    }
}
