// Shows the widget test dialog for screenshots: a logo, the fading buttons,
// the bevel lines, a list and a combo box, as the installer's main dialog
// will show them.
//
//   ui_widget_demo.exe [hover] [pressed] [seconds=N]
//     hover    - moves the mouse onto "Install" after half a second
//     pressed  - shows "Exit" pushed in
//     seconds  - closes the dialog after N seconds (default 20)
//     classic  - sets the classic button face 212,208,200 while it runs
//     lang=ja, lang=ru - Japanese or Russian texts in every widget, the list
//                headers and the language box (the dialog font's fallback
//                must show them on an English system)
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win_app.h"
#include "platform/win_controls.h"
#include "platform/win_sdk.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/widget_test_ids.h"

namespace {

// A widget's text in the demo's languages: English (the template's), Japanese
// and Russian.
struct DemoText {
    int id;
    const char* ja;
    const char* ru;
};

constexpr DemoText kDemoTexts[] = {
    {IDC_TITLE_LINE, u8"ネッロ ウィジェット 1.0 ", u8"Виджеты Нерро 1.0 "},
    {IDC_LANGUAGE_LABEL, u8"言語", u8"Язык"},
    {IDC_PATH_LABEL, u8"インストール先のフォルダー", u8"Папка установки"},
    {IDC_BROWSE, u8"参照 ...", u8"Обзор ..."},
    {IDC_CENTRED_LINE, u8"中央揃え", u8"По центру"},
    {IDC_TILDE_LINE, u8"~検出されたアプリケーション", u8"~Найденные приложения"},
    {IDC_DISABLED_BUTTON, u8"無効なボタン", u8"Недоступно"},
    {IDC_INSTALL, u8"インストール", u8"Установить"},
    {IDC_EXIT, u8"終了", u8"Выход"},
    {IDC_NOTICE_LINE, u8"  著作権テスト 中文 Ελληνικά", u8"  Проверка авторских прав"},
};

constexpr UINT_PTR kHoverTimer = 100;
constexpr UINT_PTR kCloseTimer = 101;
constexpr UINT_PTR kReportTimer = 102;

class DemoDialog : public WidgetTestDialog {
public:
    bool hover = false;
    bool pressed = false;
    std::string language;  // "ja", "ru" or empty (English)
    int seconds = 20;

protected:
    bool OnInitDialog() override {
        WidgetTestDialog::OnInitDialog();
        SetWindowText("Nerro widgets");
        // A logo: a diagonal blend with a dark frame.
        std::vector<uint8_t> logo = MakeBmpFile(83, 151, [](int x, int y) {
            if (x < 3 || y < 3 || x > 79 || y > 147) return RGB(40, 60, 90);
            return RGB(60 + x * 2, 90 + y, 200 - y / 2);
        });
        this->logo.SetBitmap(logo.data(), logo.size());

        CListCtrl list;
        list.Attach(GetDlgItem(IDC_APPLICATIONS));
        list.InsertColumn(0, "Application", LVCFMT_LEFT, 135);
        list.InsertColumn(1, "Plug-in's folder", LVCFMT_LEFT, 400);
        list.InsertItem(0, "Adobe Photoshop 7");
        list.SetItemText(0, 1, "C:\\Program Files\\Adobe\\Photoshop 7.0\\Plug-Ins\\");
        CComboBox languages;
        languages.Attach(GetDlgItem(IDC_LANGUAGE));
        languages.AddString("English");
        languages.AddString(u8"Русский");
        languages.AddString(u8"日本語");
        languages.AddString(u8"简体中文");
        languages.SetCurSel(0);
        if (language == "ja" || language == "ru") ShowLanguage(language == "ja", list, languages);

        if (pressed) ::SendMessageA(exit.Handle(), BM_SETSTATE, TRUE, 0);
        if (hover) SetTimer(kHoverTimer, 500);
        if (hover) SetTimer(kReportTimer, 1500);
        SetTimer(kCloseTimer, static_cast<UINT>(seconds) * 1000);
        return true;
    }
    void OnTimer(UINT_PTR id) override {
        KillTimer(id);
        if (id == kCloseTimer) {
            EndDialog(IDCANCEL);
            return;
        }
        if (id == kReportTimer) {
            // The caption tells what hover tracking made of the real mouse.
            SetWindowText("Nerro widgets - Install: hovering " +
                          std::string(install.IsHovering() ? "yes" : "no") + ", fade step " +
                          std::to_string(install.FadeStep()));
            return;
        }
        RECT button = install.GetWindowRect();
        SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    }

private:
    void ShowLanguage(bool japanese, const CListCtrl& list, const CComboBox& languages) {
        SetWindowText(japanese ? u8"ネッロ セットアップ" : u8"Установка Нерро");
        for (const DemoText& text : kDemoTexts)
            CWindow(GetDlgItem(text.id)).SetWindowText(japanese ? text.ja : text.ru);
        list.SetColumnText(0, japanese ? u8"アプリケーション" : u8"Приложение");
        list.SetColumnText(1, japanese ? u8"プラグインのフォルダー" : u8"Папка модулей");
        list.SetItemText(0, 1, japanese ? u8"C:\\プログラム\\フォトショップ\\プラグイン\\"
                                        : u8"C:\\Программы\\Фотошоп\\Модули\\");
        languages.SetCurSel(japanese ? 2 : 1);
        path = japanese ? u8"C:\\Program Files\\ネッロ" : u8"C:\\Program Files\\Нерро";
        UpdateData(false);
    }
};

class DemoApp : public CWinApp {
public:
    bool InitInstance() override {
        DemoDialog dialog;
        bool classic = false;
        for (int i = 1; i < __argc; ++i) {
            const char* argument = __argv[i];
            if (std::strcmp(argument, "hover") == 0) dialog.hover = true;
            if (std::strcmp(argument, "pressed") == 0) dialog.pressed = true;
            if (std::strcmp(argument, "classic") == 0) classic = true;
            if (std::strncmp(argument, "lang=", 5) == 0) dialog.language = argument + 5;
            if (std::strncmp(argument, "seconds=", 8) == 0)
                dialog.seconds = std::atoi(argument + 8);
        }
        COLORREF previousFace = GetSysColor(COLOR_BTNFACE);
        int faceElement = COLOR_BTNFACE;
        COLORREF classicFace = RGB(212, 208, 200);
        if (classic) SetSysColors(1, &faceElement, &classicFace);
        dialog.DoModal();
        if (classic) SetSysColors(1, &faceElement, &previousFace);
        return false;
    }
};

DemoApp application;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return CWinApp::Get()->Run();
}
