// Shows the widget test dialog for screenshots: a logo, the fading buttons,
// the bevel lines, a list and a combo box, as the installer's main dialog
// will show them.
//
//   ui_widget_demo.exe [hover] [pressed] [seconds=N]
//     hover    - moves the mouse onto "Install" after half a second
//     pressed  - shows "Exit" pushed in
//     seconds  - closes the dialog after N seconds (default 20)
//     classic  - sets the classic button face 212,208,200 while it runs
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

constexpr UINT_PTR kHoverTimer = 100;
constexpr UINT_PTR kCloseTimer = 101;
constexpr UINT_PTR kReportTimer = 102;

class DemoDialog : public WidgetTestDialog {
public:
    bool hover = false;
    bool pressed = false;
    int seconds = 20;

protected:
    bool OnInitDialog() override {
        WidgetTestDialog::OnInitDialog();
        SetWindowTextA("Nerro widgets");
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
        languages.AddString("Russian");
        languages.SetCurSel(0);

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
            SetWindowTextA("Nerro widgets - Install: hovering " +
                           std::string(install.IsHovering() ? "yes" : "no") + ", fade step " +
                           std::to_string(install.FadeStep()));
            return;
        }
        RECT button = install.GetWindowRect();
        SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
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
