#include "platform/win_controls.h"

#include <cwchar>
#include <vector>

#include "platform/win_text.h"

int CComboBox::AddString(const std::string& text) const {
    const std::wstring wide = Wide(text);
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

std::string CComboBox::GetLBText(int index) const {
    LRESULT length = SendMessage(CB_GETLBTEXTLEN, index);
    if (length == CB_ERR || length < 0) return {};
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessage(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    if (copied == CB_ERR || copied < 0) return {};
    return Utf8(std::wstring_view(text.data(), static_cast<size_t>(copied)));
}

int CListCtrl::InsertColumn(int index, const std::string& heading, int format, int width) const {
    std::wstring text = Wide(heading);
    LVCOLUMN column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    return static_cast<int>(
        SendMessage(LVM_INSERTCOLUMN, index, reinterpret_cast<LPARAM>(&column)));
}

std::string CListCtrl::GetColumnText(int index) const {
    return FilledText([&](wchar_t* text, DWORD capacity) -> DWORD {
        text[0] = L'\0';
        LVCOLUMN column{};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = static_cast<int>(capacity);
        if (!SendMessage(LVM_GETCOLUMN, index, reinterpret_cast<LPARAM>(&column))) return 0;
        return static_cast<DWORD>(std::wcslen(column.pszText ? column.pszText : L""));
    });
}

bool CListCtrl::SetColumnText(int index, const std::string& heading) const {
    std::wstring text = Wide(heading);
    LVCOLUMN column{};
    column.mask = LVCF_TEXT;
    column.pszText = text.data();
    return SendMessage(LVM_SETCOLUMN, index, reinterpret_cast<LPARAM>(&column)) != 0;
}

int CListCtrl::InsertItem(int index, const std::string& text) const {
    std::wstring wide = Wide(text);
    LVITEM item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = wide.data();
    return static_cast<int>(SendMessage(LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int item, int column, const std::string& text) const {
    std::wstring wide = Wide(text);
    LVITEM value{};
    value.iSubItem = column;
    value.pszText = wide.data();
    return SendMessage(LVM_SETITEMTEXT, item, reinterpret_cast<LPARAM>(&value)) != 0;
}

std::string CListCtrl::GetItemText(int item, int column) const {
    return FilledText([&](wchar_t* text, DWORD capacity) -> DWORD {
        text[0] = L'\0';
        LVITEM value{};
        value.iSubItem = column;
        value.pszText = text;
        value.cchTextMax = static_cast<int>(capacity);
        LRESULT length = SendMessage(LVM_GETITEMTEXT, item, reinterpret_cast<LPARAM>(&value));
        return length > 0 ? static_cast<DWORD>(length) : 0;
    });
}

bool CListCtrl::SetItemState(int item, UINT state, UINT mask) const {
    LVITEM value{};
    value.state = state;
    value.stateMask = mask;
    return SendMessage(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&value)) != 0;
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const {
    return FilledText([&](wchar_t* text, DWORD capacity) -> DWORD {
        text[0] = L'\0';
        TVITEM value{};
        value.mask = TVIF_TEXT;
        value.hItem = item;
        value.pszText = text;
        value.cchTextMax = static_cast<int>(capacity);
        if (!GetItem(value) || !value.pszText) return 0;
        return static_cast<DWORD>(std::wcslen(value.pszText));
    });
}
