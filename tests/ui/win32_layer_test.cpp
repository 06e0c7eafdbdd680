// Our Win32 layer on real windows: modal runs and their results, data
// exchange, subclassing and reflection, message results, the application
// object, device-context drawing and the handle owners.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win_app.h"
#include "platform/win_controls.h"
#include "platform/win_dc.h"
#include "platform/win_dialog.h"
#include "platform/win_handles.h"
#include "platform/win_sdk.h"
#include "platform/win_text.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/widget_test_ids.h"

namespace {

void registerCommonControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
}

// ---- Modal runs and data exchange ---------------------------------------

// Runs itself: at initialisation it types into the path edit and then sends
// the command it was given, as a user pressing Enter or Escape would.
class ScriptedDialog : public CDialog {
public:
    explicit ScriptedDialog(int command) : CDialog(IDD_WIDGET_TEST), command_(command) {}

    std::string path = "C:\\Initial";
    std::string pathShownAtStart;
    int initCalls = 0;

protected:
    void DoDataExchange(CDataExchange& exchange) override { exchange.Text(IDC_PATH, path); }
    bool OnInitDialog() override {
        ++initCalls;
        CDialog::OnInitDialog();
        pathShownAtStart = CWindow(GetDlgItem(IDC_PATH)).GetWindowText();
        SetTimer(1, 10);
        return true;
    }
    void OnTimer(UINT_PTR id) override {
        KillTimer(id);
        CWindow(GetDlgItem(IDC_PATH)).SetWindowText("D:\\Typed by hand");
        PostMessage(WM_COMMAND, command_);
    }

private:
    int command_;
};

TEST(DialogTest, OkReadsTheControlsAndCancelDoesNot) {
    registerCommonControls();
    struct Case {
        int command;
        INT_PTR result;
        const char* pathAfter;
    };
    for (const Case& c :
         {Case{IDOK, IDOK, "D:\\Typed by hand"}, Case{IDCANCEL, IDCANCEL, "C:\\Initial"}}) {
        ScriptedDialog dialog(c.command);
        EXPECT_EQ(dialog.DoModal(), c.result) << c.command;
        EXPECT_EQ(dialog.initCalls, 1);
        EXPECT_EQ(dialog.pathShownAtStart, "C:\\Initial") << "members are written at start";
        EXPECT_EQ(dialog.path, c.pathAfter) << c.command;
        EXPECT_TRUE(dialog.IsEmpty()) << "the object forgets its window when it goes";
    }
}

TEST(DialogTest, AMissingTemplateGivesMinusOne) {
    CDialog dialog(4321);
    EXPECT_EQ(dialog.DoModal(), -1);
}

// Records the reflected owner-draw requests and the messages it sees.
class RecordingButton : public CButton {
public:
    int drawRequests = 0;
    int mouseMoves = 0;
    UINT lastDrawState = 0;
    bool styleWasOwnerDrawAtBinding = false;

protected:
    void PreSubclassWindow() override {
        styleWasOwnerDrawAtBinding = (GetButtonStyle() & BS_TYPEMASK) == BS_OWNERDRAW;
    }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case kReflectedDrawItem:
                ++drawRequests;
                lastDrawState = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->itemState;
                return TRUE;
            case WM_MOUSEMOVE:
                ++mouseMoves;
                break;
        }
        return DefaultHandling(message, wParam, lParam);
    }
};

class BindingDialog : public CDialog {
public:
    BindingDialog() : CDialog(IDD_WIDGET_TEST) {}
    RecordingButton install;
    CListCtrl applications;
    int exchanges = 0;
    LRESULT notifyResult = 0;
    int notifiedId = 0;

protected:
    void DoDataExchange(CDataExchange& exchange) override {
        ++exchanges;
        exchange.Control(IDC_INSTALL, install);
        exchange.Control(IDC_APPLICATIONS, applications);
    }
    LRESULT OnNotify(int id, NMHDR& header) override {
        notifiedId = id;
        return header.code == 12345u ? 0x5A5A : 0;
    }
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message == WM_QUERYDRAGICON) {
            result = 0x777;
            return true;
        }
        return CDialog::HandleMessage(message, wParam, lParam, result);
    }
};

class BoundDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        registerCommonControls();
        ASSERT_TRUE(dialog.Create());
        PumpMessages();
    }
    BindingDialog dialog;
};

TEST_F(BoundDialogTest, ControlsAreBoundOnceAndFoundByHandle) {
    HWND button = dialog.GetDlgItem(IDC_INSTALL);
    EXPECT_EQ(dialog.install.Handle(), button);
    EXPECT_EQ(CSubclassedWindow::FromHandle(button), &dialog.install);
    EXPECT_EQ(CSubclassedWindow::FromHandle(dialog.GetDlgItem(IDC_EXIT)), nullptr);
    EXPECT_EQ(dialog.applications.Handle(), dialog.GetDlgItem(IDC_APPLICATIONS));
    EXPECT_EQ(CDialog::FromHandle(dialog.Handle()), &dialog);
    EXPECT_TRUE(dialog.install.styleWasOwnerDrawAtBinding);

    // A second exchange keeps the binding.
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.exchanges, 2);
    EXPECT_EQ(CSubclassedWindow::FromHandle(button), &dialog.install);
    EXPECT_FALSE(dialog.install.SubclassWindow(dialog.GetDlgItem(IDC_EXIT)));
    RecordingButton other;
    EXPECT_FALSE(other.SubclassWindow(button)) << "one object per window";
}

TEST_F(BoundDialogTest, MessagesReachTheBoundObject) {
    dialog.install.PostMessage(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    PumpMessages();
    EXPECT_EQ(dialog.install.mouseMoves, 1);
}

TEST_F(BoundDialogTest, OwnerDrawRequestsAreReflectedToTheControl) {
    dialog.ShowWindow(SW_SHOWNOACTIVATE);  // only visible windows paint
    dialog.install.Invalidate();
    dialog.install.UpdateWindow();
    EXPECT_GE(dialog.install.drawRequests, 1);
    int before = dialog.install.drawRequests;
    dialog.install.EnableWindow(false);
    dialog.install.UpdateWindow();
    EXPECT_GT(dialog.install.drawRequests, before);
    EXPECT_TRUE(dialog.install.lastDrawState & ODS_DISABLED);
    // An owner-drawn button nobody bound is left to the system.
    HWND unbound = dialog.GetDlgItem(IDC_EXIT);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = unbound;
    EXPECT_EQ(dialog.SendMessage(WM_DRAWITEM, IDC_EXIT, reinterpret_cast<LPARAM>(&item)), 0);
}

TEST_F(BoundDialogTest, HandlerResultsBecomeMessageResults) {
    NMHDR header{dialog.applications.Handle(), IDC_APPLICATIONS, 12345u};
    EXPECT_EQ(dialog.SendMessage(WM_NOTIFY, IDC_APPLICATIONS, reinterpret_cast<LPARAM>(&header)),
              0x5A5A);
    EXPECT_EQ(dialog.notifiedId, IDC_APPLICATIONS);
    EXPECT_EQ(dialog.SendMessage(WM_QUERYDRAGICON), 0x777);
}

TEST_F(BoundDialogTest, DestroyingTheDialogUnbindsItsControls) {
    HWND button = dialog.install.Handle();
    dialog.EndDialog(IDOK);  // modeless: destroys the window
    EXPECT_FALSE(IsWindow(button));
    EXPECT_TRUE(dialog.IsEmpty());
    EXPECT_TRUE(dialog.install.IsEmpty());
}

TEST_F(BoundDialogTest, AnObjectGoingFirstGivesTheWindowBack) {
    HWND exit = dialog.GetDlgItem(IDC_EXIT);
    LONG_PTR original = GetWindowLongPtrA(exit, GWLP_WNDPROC);
    {
        RecordingButton temporary;
        ASSERT_TRUE(temporary.SubclassWindow(exit));
        EXPECT_NE(GetWindowLongPtrA(exit, GWLP_WNDPROC), original);
    }
    EXPECT_EQ(GetWindowLongPtrA(exit, GWLP_WNDPROC), original);
    EXPECT_EQ(CSubclassedWindow::FromHandle(exit), nullptr);
}

TEST_F(BoundDialogTest, ControlWrappersTalkToTheirControls) {
    CListCtrl& list = dialog.applications;
    EXPECT_EQ(list.InsertColumn(0, "Application", LVCFMT_LEFT, 135), 0);
    EXPECT_EQ(list.InsertColumn(1, "Plug-in's folder", LVCFMT_LEFT, 400), 1);
    EXPECT_EQ(list.GetColumnText(1), "Plug-in's folder");
    EXPECT_EQ(list.InsertItem(0, "Host"), 0);
    EXPECT_TRUE(list.SetItemText(0, 1, "C:\\Host\\Plug-ins\\"));
    EXPECT_EQ(list.GetItemText(0, 1), "C:\\Host\\Plug-ins\\");
    EXPECT_EQ(list.GetItemCount(), 1);
    list.SetExtendedStyle(LVS_EX_ONECLICKACTIVATE | LVS_EX_UNDERLINEHOT);
    EXPECT_EQ(list.GetExtendedStyle() & (LVS_EX_ONECLICKACTIVATE | LVS_EX_UNDERLINEHOT),
              static_cast<DWORD>(LVS_EX_ONECLICKACTIVATE | LVS_EX_UNDERLINEHOT));

    CComboBox combo;
    combo.Attach(dialog.GetDlgItem(IDC_LANGUAGE));
    EXPECT_EQ(combo.AddString("English"), 0);
    EXPECT_EQ(combo.AddString("Deutsch"), 1);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    combo.SetCurSel(1);
    EXPECT_EQ(combo.GetLBText(combo.GetCurSel()), "Deutsch");
    EXPECT_EQ(combo.GetLBText(7), "");

    const std::string longText(1500, 'x');
    CWindow path(dialog.GetDlgItem(IDC_PATH));
    path.SetWindowText(longText);
    EXPECT_EQ(path.GetWindowText(), longText);
    EXPECT_EQ(CWindow(dialog.GetDlgItem(IDC_APPLICATIONS)).GetClassName(), "SysListView32");
}

// ---- Unicode texts through the wrappers ----------------------------------

// UTF-8 texts that a narrow (code page) path would lose or cut: Japanese,
// Cyrillic, letters outside the Basic Multilingual Plane (two UTF-16 units
// each), and Cyrillic longer than the old fixed buffers (1023 bytes, 1023 units),
// so that a cut there would split a letter.
struct UnicodeCase {
    const char* what;
    std::string text;
};

std::vector<UnicodeCase> UnicodeCases() {
    std::string longCyrillic;
    for (int i = 0; i < 1500; ++i)
        longCyrillic += u8"Ж";
    return {
        {"Japanese", u8"インストール先のフォルダー 日本語"},
        {"Cyrillic", u8"Папка установки: Обзор ..."},
        {"outside the BMP", u8"\U0001D11E clef \U0001F600 \U00020BB7"},
        {"mixed", u8"C:\\Program Files\\Нерро\\プラグイン\\\U0001F4C1"},
        {"long Cyrillic", longCyrillic},
    };
}

// What the control holds, read with the wide function itself.
std::wstring WideWindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

TEST_F(BoundDialogTest, UnicodeTextsRoundTripThroughControls) {
    const int controls[] = {IDC_PATH, IDC_INSTALL, IDC_PATH_LABEL};
    for (const UnicodeCase& c : UnicodeCases()) {
        ASSERT_TRUE(IsValidUtf8(c.text)) << c.what;
        for (int id : controls) {
            CWindow control(dialog.GetDlgItem(id));
            control.SetWindowText(c.text);
            EXPECT_EQ(WideWindowText(control.Handle()), Wide(c.text)) << c.what << ", control " << id;
            EXPECT_EQ(control.GetWindowText(), c.text) << c.what << ", control " << id;
        }
        dialog.SetWindowText(c.text);
        EXPECT_EQ(dialog.GetWindowText(), c.text) << c.what << ", caption";
    }
}

TEST_F(BoundDialogTest, UnicodeTextsRoundTripThroughListAndComboBox) {
    CListCtrl& list = dialog.applications;
    ASSERT_EQ(list.InsertColumn(0, "Application", LVCFMT_LEFT, 135), 0);
    ASSERT_EQ(list.InsertColumn(1, "Folder", LVCFMT_LEFT, 400), 1);
    ASSERT_EQ(list.InsertItem(0, "Host"), 0);
    CComboBox combo;
    combo.Attach(dialog.GetDlgItem(IDC_LANGUAGE));
    for (const UnicodeCase& c : UnicodeCases()) {
        EXPECT_TRUE(list.SetColumnText(1, c.text)) << c.what;
        EXPECT_EQ(list.GetColumnText(1), c.text) << c.what << ", column header";
        wchar_t header[2048] = L"";
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = header;
        column.cchTextMax = 2048;
        ASSERT_TRUE(list.SendMessage(LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column)));
        EXPECT_EQ(std::wstring(header), Wide(c.text)) << c.what << ", the header itself";

        EXPECT_EQ(list.InsertColumn(2, c.text, LVCFMT_LEFT, 50), 2) << c.what;
        EXPECT_EQ(list.GetColumnText(2), c.text) << c.what << ", inserted column";
        list.SendMessage(LVM_DELETECOLUMN, 2);

        EXPECT_TRUE(list.SetItemText(0, 1, c.text)) << c.what;
        EXPECT_EQ(list.GetItemText(0, 1), c.text) << c.what << ", item";

        const int index = combo.AddString(c.text);
        ASSERT_GE(index, 0) << c.what;
        EXPECT_EQ(combo.GetLBText(index), c.text) << c.what << ", combo box item";
    }
}

TEST(TreeCtrlTest, UnicodeItemTextsRoundTrip) {
    registerCommonControls();
    HWND window = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    CTreeCtrl tree;
    tree.Attach(window);
    for (const UnicodeCase& c : UnicodeCases()) {
        std::wstring text = Wide(c.text);
        TVINSERTSTRUCT insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = &text[0];
        HTREEITEM item = tree.InsertItem(insert);
        ASSERT_NE(item, nullptr) << c.what;
        EXPECT_EQ(tree.GetItemText(item), c.text) << c.what;
    }
    DestroyWindow(window);
}

TEST(ProgressCtrlTest, RangeAndPosition) {
    registerCommonControls();
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    CProgressCtrl progress;
    progress.Attach(bar);
    progress.SetRange(0, 100);
    progress.SetPos(42);
    EXPECT_EQ(progress.GetPos(), 42);
    progress.SetPos(250);
    EXPECT_EQ(progress.GetPos(), 100) << "clamped to the range";
    DestroyWindow(bar);
}

// ---- Application object ----------------------------------------------------

class ScriptedApp : public CWinApp {
public:
    explicit ScriptedApp(bool enterLoop) : enterLoop_(enterLoop) {}
    int initCalls = 0;
    int exitCodeSeen = -1;

    bool InitInstance() override {
        ++initCalls;
        if (enterLoop_) PostQuitMessage(7);
        return enterLoop_;
    }
    int ExitInstance(int exitCode) override {
        exitCodeSeen = exitCode;
        return exitCode + 100;
    }

private:
    bool enterLoop_;
};

TEST(WinAppTest, RunCallsInitInstanceAndLoopsOnlyWhenItSaysSo) {
    {
        ScriptedApp app(false);
        EXPECT_EQ(CWinApp::Get(), &app);
        EXPECT_EQ(app.Run(), 100);
        EXPECT_EQ(app.initCalls, 1);
        EXPECT_EQ(app.exitCodeSeen, 0);
        WNDCLASSEXA info{};
        info.cbSize = sizeof info;
        EXPECT_TRUE(GetClassInfoExA(nullptr, WC_LISTVIEWA, &info)) << "common controls registered";
    }
    EXPECT_EQ(CWinApp::Get(), nullptr);
    ScriptedApp looping(true);
    EXPECT_EQ(looping.Run(), 107);
    EXPECT_EQ(looping.exitCodeSeen, 7);
}

// Records the window that owns it, then closes.
class OwnerProbeDialog : public CDialog {
public:
    OwnerProbeDialog() : CDialog(IDD_WIDGET_TEST) {}
    HWND owner = nullptr;

protected:
    bool OnInitDialog() override {
        owner = GetWindow(Handle(), GW_OWNER);
        PostMessage(WM_COMMAND, IDCANCEL);
        return true;
    }
};

TEST(WinAppTest, DialogsWithoutOwnerBelongToTheMainWindow) {
    registerCommonControls();
    CWinApp app;
    BindingDialog main;
    app.SetMainWindow(&main);
    EXPECT_EQ(app.GetMainWindow(), nullptr) << "no window yet";
    ASSERT_TRUE(main.Create());
    EXPECT_EQ(app.GetMainWindow(), main.Handle());
    OwnerProbeDialog probe;
    EXPECT_EQ(probe.DoModal(), IDCANCEL);
    EXPECT_EQ(probe.owner, main.Handle());
}

// ---- Device contexts and handles ---------------------------------------

TEST(DeviceContextTest, FillSolidRectPaintsExactlyTheRectangleAndKeepsTheBackground) {
    PixelCanvas canvas(8, 6, RGB(0, 0, 0));
    CDC dc(canvas.Dc());
    dc.SetBkColor(RGB(9, 9, 9));
    dc.FillSolidRect(RECT{2, 1, 5, 4}, RGB(200, 100, 50));
    EXPECT_EQ(dc.GetBkColor(), RGB(9, 9, 9));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= 2 && x < 5 && y >= 1 && y < 4;
            EXPECT_TRUE(SameColor(inside ? RGB(200, 100, 50) : RGB(0, 0, 0), canvas.At(x, y)))
                << x << "," << y;
        }
}

TEST(DeviceContextTest, Draw3dRectColoursEachEdge) {
    // 5 x 4 frame at (1, 1): T = top-left colour, B = bottom-right colour.
    const char* expected[] = {
        ".......",  //
        ".TTTTB.",  //
        ".T...B.",  //
        ".T...B.",  //
        ".BBBBB.",  //
        ".......",
    };
    PixelCanvas canvas(7, 6, RGB(0, 0, 0));
    CDC dc(canvas.Dc());
    dc.Draw3dRect(RECT{1, 1, 6, 5}, RGB(255, 0, 0), RGB(0, 0, 255));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) {
            char want = expected[y][x];
            COLORREF colour = want == 'T' ? RGB(255, 0, 0) : want == 'B' ? RGB(0, 0, 255) : 0;
            EXPECT_TRUE(SameColor(colour, canvas.At(x, y))) << x << "," << y;
        }
}

TEST(DeviceContextTest, WindowOriginAndBlitsWorkInLogicalCoordinates) {
    PixelCanvas source(4, 4, RGB(10, 20, 30));
    PixelCanvas target(10, 10, RGB(0, 0, 0));
    CDC dc(target.Dc());
    dc.SetWindowOrg(2, 2);  // logical (2, 2) is the top-left pixel
    EXPECT_TRUE(dc.BitBlt(4, 4, 2, 2, source.Dc(), 0, 0, SRCCOPY));
    dc.SetWindowOrg(0, 0);
    EXPECT_TRUE(SameColor(RGB(10, 20, 30), target.At(2, 2)));
    EXPECT_TRUE(SameColor(RGB(10, 20, 30), target.At(3, 3)));
    EXPECT_TRUE(SameColor(0, target.At(4, 4)));
    EXPECT_TRUE(dc.StretchBlt(0, 6, 8, 4, source.Dc(), 0, 0, 4, 4, SRCCOPY));
    EXPECT_TRUE(SameColor(RGB(10, 20, 30), target.At(7, 9)));
    RECT clip{};
    EXPECT_NE(dc.GetClipBox(clip), ERROR);
    EXPECT_EQ(clip.right, 10);
    EXPECT_EQ(clip.bottom, 10);
}

TEST(HandleOwnerTest, OwnersDeleteAndScopesRestore) {
    HBRUSH raw = CreateSolidBrush(RGB(1, 2, 3));
    HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
    {
        CBrush owned(raw);
        EXPECT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_BRUSH));
        CBrush moved(std::move(owned));
        EXPECT_EQ(owned.Get(), nullptr);
        EXPECT_EQ(moved.Get(), raw);
    }
    EXPECT_EQ(GetObjectType(raw), 0u) << "the owner deleted it";

    PixelCanvas canvas(2, 2);
    HGDIOBJ before = GetCurrentObject(canvas.Dc(), OBJ_FONT);
    {
        CSelectObject selected(canvas.Dc(), font);
        EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_FONT), font);
    }
    EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_FONT), before);
    EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT)) << "selection borrows";
    DeleteObject(font);

    CGlobalMemory memory("abc", 4);
    ASSERT_TRUE(memory);
    EXPECT_EQ(GlobalSize(memory.Get()), 4u);
    auto* bytes = static_cast<const char*>(GlobalLock(memory.Get()));
    EXPECT_STREQ(bytes, "abc");
    GlobalUnlock(memory.Get());
}

TEST(HandleOwnerTest, ComPointerReleasesItsReference) {
    CComInitialize com;
    CGlobalMemory memory("x", 1);
    CComPtr<IStream> stream;
    ASSERT_TRUE(SUCCEEDED(CreateStreamOnHGlobal(memory.Release(), TRUE, stream.Receive())));
    stream->AddRef();
    EXPECT_EQ(stream->Release(), 1u) << "the pointer holds exactly one reference";
    IStream* raw = stream.Get();
    raw->AddRef();
    stream.Reset();
    EXPECT_EQ(raw->Release(), 0u) << "Reset gave up the pointer's reference";
}

}  // namespace
