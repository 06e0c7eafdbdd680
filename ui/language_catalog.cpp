#include "ui/language_catalog.h"

#include <cstdint>
#include <memory>

#include "foundation/text_case.h"
#include "foundation/text_decoding.h"
#include "pack/pack_file.h"
#include "platform/win_controls.h"

namespace {

// A window's own translation key: its control id, or 0 for a window that is
// no child (a dialog; GetDlgCtrlID of a pop-up window would give its menu).
int windowKeyId(HWND window) {
    if (!GetParent(window)) return 0;
    if (!(GetWindowLong(window, GWL_STYLE) & WS_CHILD)) return 0;
    return GetDlgCtrlID(window);
}

}  // namespace

std::string ResolveCatalogEscapes(std::string value) {
    size_t position = 0;
    while (position + 1 < value.size()) {
        if (value[position] != '\\') {
            ++position;
            continue;
        }
        char next = value[position + 1];
        if (next == 'n' || next == 't') {
            value.replace(position, 2, 1, next == 'n' ? '\r' : '\t');
            ++position;
        } else {
            position += 2;  // the backslash protects whatever follows it
        }
    }
    return value;
}

void CLanguageCatalog::AddLanguage(const std::string& name, const std::string& entryName) {
    names_.push_back(name);
    entryNames_.push_back(entryName);
}

void CLanguageCatalog::SelectLanguage(const std::string& name) {
    size_t index = 0;
    while (index < names_.size() && names_[index] != name)
        ++index;
    if (names_.empty() || static_cast<int>(index) == current_) return;
    if (index == names_.size()) index = 0;

    current_ = static_cast<int>(index);
    uint32_t size = 0;
    std::unique_ptr<uint8_t[]> text(
        pack_ ? pack_->Extract(entryNames_[index].c_str(), true, &size) : nullptr);
    if (!text) {
        current_ = -1;
        return;
    }
    // Decoded as any text file (foundation/text_decoding.h, "Code page" in
    // [Info]); one that does not decode or holds a line too long is unreadable.
    if (!ParseTextFile(strings_, text.get(), size, "Info")) current_ = -1;
}

std::string CLanguageCatalog::GetLanguageName(int index) const {
    if (index < 0) index = current_;
    if (index < 0 || index >= static_cast<int>(names_.size())) return {};
    return names_[static_cast<size_t>(index)];
}

std::string CLanguageCatalog::Lookup(const std::string& section, const std::string& key,
                                     const std::string& defaultText) {
    if (current_ < 0 || current_ >= static_cast<int>(entryNames_.size())) return defaultText;
    const char* value = strings_.GetString(section.c_str(), key.c_str(), "");
    if (!value || !*value) return defaultText;
    return ResolveCatalogEscapes(value);
}

std::string CLanguageCatalog::LookupControl(const std::string& section, HWND window,
                                            const std::string& defaultText) {
    return Lookup(section, std::to_string(windowKeyId(window)), defaultText);
}

std::string CLanguageCatalog::LookupColumn(const std::string& section, HWND window, int column,
                                           const std::string& defaultText) {
    std::string key = std::to_string(windowKeyId(window)) + "_" + std::to_string(column);
    return Lookup(section, key, defaultText);
}

void CLanguageCatalog::TranslateControl(const std::string& section, HWND window) {
    CWindow control(window);
    if (!EqualIgnoringCase(control.GetClassName(), "SysListView32")) {
        std::string text = LookupControl(section, window, "");
        if (!text.empty()) control.SetWindowText(text);
        return;
    }
    for (int column = 0;; ++column) {
        std::string text = LookupColumn(section, window, column, "");
        if (text.empty()) break;
        CListCtrl list;
        list.Attach(window);
        list.SetColumnText(column, text);
    }
}

void CLanguageCatalog::TranslateWindow(const std::string& section, HWND window) {
    if (!window || current_ < 0) return;
    std::string caption = LookupControl(section, window, "");
    if (!caption.empty()) CWindow(window).SetWindowText(caption);
    section_ = section;
    targetWindow_ = window;
    EnumChildWindows(window, &TranslateChild, reinterpret_cast<LPARAM>(this));
}

void CLanguageCatalog::TranslateDialog(const std::string& section, const CWindow& dialog) {
    if (!dialog.IsEmpty() && current_ >= 0) TranslateWindow(section, dialog.Handle());
}

BOOL CALLBACK CLanguageCatalog::TranslateChild(HWND child, LPARAM self) {
    auto* catalog = reinterpret_cast<CLanguageCatalog*>(self);
    if (GetParent(child) == catalog->targetWindow_)
        catalog->TranslateControl(catalog->section_, child);
    return TRUE;
}
