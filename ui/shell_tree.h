// CShellTree: the shell namespace (desktop, drives, folders) in a tree view
// control, filled lazily.
//
// Each tree item carries a ShellItemData record in its lParam: the folder
// that enumerated it (one reference held), its single-level id and its
// absolute id from the desktop. Record and ids are allocated with the shell
// allocator and belong to the item; OnDeleteItem (TVN_DELETEITEM) frees them.
// Only folders appear; a folder's children are read from the shell when it is
// first expanded or selected, and TVIS_EXPANDEDONCE marks a filled folder
// (nothing is refilled or refreshed).
//
// The object does not own the tree control; it must be bound (Attach) to a
// tree whose parent (the dialog) forwards the four notifications. Shell
// failures are silent: a folder concerned gets no further children. The
// context menu's two failures show a message box in words for the user,
// with the system's reason. User-interface thread, with COM initialised.
#pragma once

#include <string>

#include "platform/win_controls.h"
#include "platform/win_handles.h"
#include "platform/win_sdk.h"
// After the SDK headers.
#include <shellapi.h>
#include <shlobj.h>

// An item id list from the shell allocator (the task allocator), freed with it.
class ShellIdOwner {
public:
    ShellIdOwner() = default;
    explicit ShellIdOwner(LPITEMIDLIST id) : id_(id) {}
    ~ShellIdOwner() { CoTaskMemFree(id_); }
    ShellIdOwner(const ShellIdOwner&) = delete;
    ShellIdOwner& operator=(const ShellIdOwner&) = delete;
    ShellIdOwner& operator=(ShellIdOwner&& other) noexcept {
        if (this != &other) {
            CoTaskMemFree(id_);
            id_ = other.id_;
            other.id_ = nullptr;
        }
        return *this;
    }
    LPITEMIDLIST Get() const { return id_; }

private:
    LPITEMIDLIST id_ = nullptr;
};

// One tree item's record: created with new when the item is inserted, owned
// by the item, deleted when the tree deletes the item (OnDeleteItem).
struct ShellItemData {
    CComPtr<IShellFolder> parentFolder;  // holds its own reference
    ShellIdOwner relativeId;
    ShellIdOwner absoluteId;
};

class CShellTree {
public:
    enum class FindMode { Drive, Text };

    CShellTree() = default;
    CShellTree(const CShellTree&) = delete;
    CShellTree& operator=(const CShellTree&) = delete;

    void Attach(HWND tree) { tree_.Attach(tree); }
    const CTreeCtrl& Tree() const { return tree_; }

    // The system's small-icon image list becomes the tree's normal image list.
    void SetSystemImageList();
    // Deletes every item and fills the top level from the desktop, sorted, with
    // the first two top-level items expanded and the view scrolled to the top.
    void Populate();
    // Inserts folder's sub-folders under parent in enumeration order.
    // folderId is the absolute id of folder (null for the desktop). folder
    // stays the caller's.
    void FillChildren(IShellFolder* folder, LPCITEMIDLIST folderId, HTREEITEM parent);
    // Orders parent's children by their folder's CompareIDs.
    void SortChildren(HTREEITEM parent);

    // TVN_ITEMEXPANDING: fills the item on its first expansion. Returns the
    // notification result, always 0 (the expansion proceeds).
    LRESULT OnItemExpanding(const NMTREEVIEW& notice);
    // TVN_SELCHANGED: true, with path set, when the new selection is a
    // file-system folder; fills the selected item once when it announces
    // children. path is unchanged otherwise.
    bool OnSelChanged(const NMTREEVIEW& notice, std::string& path);
    // TVN_DELETEITEM: frees the item's record.
    void OnDeleteItem(const NMTREEVIEW& notice);
    // NM_RCLICK: selects the item under the cursor (none: clears the
    // selection) and shows the shell's context menu for an item hit on its
    // icon or label, running the command picked. Returns 0.
    LRESULT OnRightClick();

    // Selects the tree item of path (the item of its last component), first
    // checking that path exists (an empty path stands for this program's
    // file); otherwise, or when a component is not found, nothing is selected.
    void SelectPath(const std::string& path);
    // Looks for name (compared upper-cased) among item and its later
    // siblings: in Drive mode against a drive root's "C:", in Text mode
    // against the item's text; only file-system folders count. On a match the
    // item is made visible and expanded, item is set to it and true returned;
    // otherwise item ends null and false is returned.
    bool FindSibling(HTREEITEM& item, const std::string& name, FindMode mode);
    // The display name of id in folder (SHGDN_... flags) into name, whole,
    // in UTF-8 (a narrow name from an old extension is read in the system's
    // code page). False when the shell fails or gives an unknown kind.
    static bool GetDisplayName(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags,
                               std::string& name);

private:
    ShellItemData* ItemData(HTREEITEM item) const;
    // The item's folder bound as IShellFolder, or empty.
    CComPtr<IShellFolder> BindItem(const ShellItemData* data) const;
    // The file-system path of a file-system folder's item, or empty.
    std::string FileSystemPath(const ShellItemData& data) const;
    void ShowContextMenu(HWND owner, IShellFolder* folder, LPCITEMIDLIST id, POINT screen);

    CTreeCtrl tree_;
};
