#include "platform/win_controls.h"

#include <vector>

int CComboBox::AddString(const std::string& text) const {
    return static_cast<int>(SendMessageA(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

std::string CComboBox::GetLBText(int index) const {
    LRESULT length = SendMessageA(CB_GETLBTEXTLEN, index);
    if (length == CB_ERR || length < 0) return {};
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = SendMessageA(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    if (copied == CB_ERR || copied < 0) return {};
    return std::string(text.data(), static_cast<size_t>(copied));
}

int CListCtrl::InsertColumn(int index, const std::string& heading, int format, int width) const {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(heading.c_str());
    column.iSubItem = index;
    return static_cast<int>(
        SendMessageA(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
}

std::string CListCtrl::GetColumnText(int index) const {
    char text[1024] = "";
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = sizeof text;
    if (!SendMessageA(LVM_GETCOLUMNA, index, reinterpret_cast<LPARAM>(&column))) return {};
    return text;
}

int CListCtrl::InsertItem(int index, const std::string& text) const {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(SendMessageA(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int item, int column, const std::string& text) const {
    LVITEMA value{};
    value.iSubItem = column;
    value.pszText = const_cast<char*>(text.c_str());
    return SendMessageA(LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&value)) != 0;
}

std::string CListCtrl::GetItemText(int item, int column) const {
    char text[1024] = "";
    LVITEMA value{};
    value.iSubItem = column;
    value.pszText = text;
    value.cchTextMax = sizeof text;
    LRESULT length = SendMessageA(LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&value));
    if (length <= 0) return {};
    return text;
}

bool CListCtrl::SetItemState(int item, UINT state, UINT mask) const {
    LVITEMA value{};
    value.state = state;
    value.stateMask = mask;
    return SendMessageA(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&value)) != 0;
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const {
    char text[260] = "";
    TVITEMA value{};
    value.mask = TVIF_TEXT;
    value.hItem = item;
    value.pszText = text;
    value.cchTextMax = sizeof text;
    if (!GetItem(value)) return {};
    return value.pszText ? value.pszText : "";
}
