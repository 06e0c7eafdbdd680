// CLanguageCatalog: the interface languages of the installer and the
// translation of dialog texts.
//
// A catalogue is a pack entry (name ending in ".clg") holding INI text with
// one section per dialog ("Main", "Browse"): key "0" is the dialog's caption,
// a control's id in decimal ("1001") its text, "<id>_<column>" ("1011_0")
// a list-view column header, and [Info] "<system language id in lowercase
// hex>" = "ok" marks the catalogue that serves that system language.
// Values may hold two escapes: backslash-n stands for a carriage return
// (character 13) and backslash-t for a tab; a backslash before any other
// character keeps both characters (so a doubled backslash protects the next
// one). An empty value counts as absent: the control keeps its text.
//
// The program has one catalogue object. It does not own the pack. Nothing
// here reports an error: a catalogue that cannot be read leaves no language
// selected, after which every Lookup gives its default and every translation
// changes nothing. User-interface thread only.
#pragma once

#include <string>
#include <vector>

#include "foundation/tinifile.h"
#include "platform/win_sdk.h"
#include "platform/win_window.h"

class TPackFile;

class CLanguageCatalog {
public:
    CLanguageCatalog() = default;
    CLanguageCatalog(const CLanguageCatalog&) = delete;
    CLanguageCatalog& operator=(const CLanguageCatalog&) = delete;

    // The pack later selections read from (not owned; may be null).
    void SetPack(TPackFile* pack) { pack_ = pack; }

    // Appends a language: its display name and the pack entry holding it.
    void AddLanguage(const std::string& name, const std::string& entryName);

    // Selects the first language called name (exact bytes) and loads its
    // catalogue. A name not in the list selects the first language. Nothing
    // happens when there are no languages or the language is already the
    // current one (its catalogue is not read again). When the entry cannot
    // be read, no language is selected afterwards.
    void SelectLanguage(const std::string& name);

    // The display name at index; a negative index means the current
    // language. Empty when there is no such language.
    std::string GetLanguageName(int index) const;
    // Index of the current language, or -1.
    int CurrentLanguage() const { return current_; }
    int LanguageCount() const { return static_cast<int>(names_.size()); }

    // The value of key in section with its escapes resolved, or defaultText
    // when no language is selected or the value is missing or empty.
    std::string Lookup(const std::string& section, const std::string& key,
                       const std::string& defaultText);
    // Lookup with the window's own key: its control id in decimal, "0" for a
    // window that is not a child (a dialog).
    std::string LookupControl(const std::string& section, HWND window,
                              const std::string& defaultText);
    // Lookup with key "<id>_<column>" of a list view's column header.
    std::string LookupColumn(const std::string& section, HWND window, int column,
                             const std::string& defaultText);

    // Replaces the text of one window: a list view's column headers from
    // column 0 up to the first column without a text (the rest are not read),
    // any other window's text. Texts go in whole.
    void TranslateControl(const std::string& section, HWND window);
    // Replaces the window's own text (its caption) and translates each of its
    // direct children; deeper windows (the edit inside a combo box) are left
    // alone. Nothing happens for a null window or with no language selected.
    void TranslateWindow(const std::string& section, HWND window);
    // TranslateWindow on the dialog's window, if it has one.
    void TranslateDialog(const std::string& section, const CWindow& dialog);

private:
    static BOOL CALLBACK TranslateChild(HWND child, LPARAM self);

    int current_ = -1;
    std::vector<std::string> names_;
    std::vector<std::string> entryNames_;
    HWND targetWindow_ = nullptr;
    std::string section_;
    TPackFile* pack_ = nullptr;
    TIniFile strings_;
};

// Resolves the catalogue escapes of value as described above.
std::string ResolveCatalogEscapes(std::string value);
