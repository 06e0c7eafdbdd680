// Wrappers of the standard and common controls the installer's dialogs use.
//
// CEdit, CComboBox, CListCtrl, CProgressCtrl and CTreeCtrl hold only the
// HWND: each method is one message to the control. Bind them to a dialog's
// control with CDataExchange::Control (or Attach).
//
// CButton and CStatic are the bases of our own drawn widgets (fading button,
// bevel line, logo view): they are CSubclassedWindow objects, bound to their
// control by subclassing, so that a derived class can handle the control's
// messages.
#pragma once

#include <string>

#include "platform/win_sdk.h"
#include "platform/win_subclass.h"
#include "platform/win_window.h"

class CButton : public CSubclassedWindow {
public:
    // The button type and flags of the window style (its low byte).
    UINT GetButtonStyle() const { return GetStyle() & 0xFF; }
    // BM_SETSTYLE: replaces the low byte of the style.
    void SetButtonStyle(UINT style, bool redraw = true) const {
        SendMessage(BM_SETSTYLE, style, redraw);
    }
    // BM_CLICK: as if the user clicked it.
    void Click() const { SendMessage(BM_CLICK); }
};

class CStatic : public CSubclassedWindow {};

class CEdit : public CWindow {
public:
    void SetSel(int start, int end) const { SendMessage(EM_SETSEL, start, end); }
};

class CComboBox : public CWindow {
public:
    // Index of the new item, or CB_ERR.
    int AddString(const std::string& text) const;
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    // CB_ERR when nothing is selected.
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    // -1 clears the selection.
    void SetCurSel(int index) const { SendMessage(CB_SETCURSEL, index); }
    // The text of item index; empty when there is no such item.
    std::string GetLBText(int index) const;
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
};

class CListCtrl : public CWindow {
public:
    // Inserts a column (LVCFMT_LEFT...) at index; returns its index or -1.
    int InsertColumn(int index, const std::string& heading, int format, int width) const;
    // The header text of column index; empty when there is no such column.
    std::string GetColumnText(int index) const;
    // Replaces the header text of column index.
    bool SetColumnText(int index, const std::string& heading) const;
    // Sets the extended styles given in mask (all when mask is 0).
    void SetExtendedStyle(DWORD styles, DWORD mask = 0) const {
        SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, styles);
    }
    DWORD GetExtendedStyle() const {
        return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
    }
    // Inserts an item with text in column 0; returns its index or -1.
    int InsertItem(int index, const std::string& text) const;
    bool SetItemText(int item, int column, const std::string& text) const;
    std::string GetItemText(int item, int column) const;
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    // LVIS_... state bits of item within mask.
    UINT GetItemState(int item, UINT mask) const {
        return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, item, mask));
    }
    bool SetItemState(int item, UINT state, UINT mask) const;
    bool DeleteAllItems() const { return SendMessage(LVM_DELETEALLITEMS) != 0; }
};

class CProgressCtrl : public CWindow {
public:
    void SetRange(int lower, int upper) const { SendMessage(PBM_SETRANGE32, lower, upper); }
    // Returns the previous position.
    int SetPos(int position) const { return static_cast<int>(SendMessage(PBM_SETPOS, position)); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
};

class CTreeCtrl : public CWindow {
public:
    // Returns the previous image list of that kind (TVSIL_NORMAL...).
    HIMAGELIST SetImageList(HIMAGELIST list, int kind) const {
        return reinterpret_cast<HIMAGELIST>(
            SendMessage(TVM_SETIMAGELIST, kind, reinterpret_cast<LPARAM>(list)));
    }
    HTREEITEM InsertItem(const TVINSERTSTRUCT& insert) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessage(TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    bool DeleteItem(HTREEITEM item) const {
        return SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool DeleteAllItems() const { return DeleteItem(TVI_ROOT); }
    // TVM_GETNEXTITEM with code TVGN_ROOT, TVGN_CHILD, TVGN_NEXT, TVGN_CARET...
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    // TVE_EXPAND, TVE_COLLAPSE...
    bool Expand(HTREEITEM item, UINT code) const {
        return SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)) != 0;
    }
    // Selects item (null clears the selection) as TVGN_CARET.
    bool SelectItem(HTREEITEM item) const {
        return SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool EnsureVisible(HTREEITEM item) const {
        return SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)) != 0;
    }
    // item.hItem and item.mask say what to read or write.
    bool GetItem(TVITEM& item) const {
        return SendMessage(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    bool SetItem(const TVITEM& item) const {
        return SendMessage(TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    // The item's text.
    std::string GetItemText(HTREEITEM item) const;
    // Fills info.flags and returns the item at info.pt (client coordinates).
    HTREEITEM HitTest(TVHITTESTINFO& info) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    }
    bool SortChildrenCB(const TVSORTCB& sort) const {
        return SendMessage(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort)) != 0;
    }
};
