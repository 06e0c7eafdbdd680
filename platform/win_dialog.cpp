#include "platform/win_dialog.h"

#include "platform/common_controls.h"
#include "platform/win_app.h"

// ---- Data exchange ---------------------------------------------------------

void CDataExchange::Text(int id, std::string& value) const {
    CWindow control(::GetDlgItem(dialog_, id));
    if (saveAndValidate_)
        value = control.GetWindowText();
    else
        control.SetWindowText(value);
}

void CDataExchange::Control(int id, CSubclassedWindow& control) const {
    if (control.IsEmpty()) control.SubclassDlgItem(id, dialog_);
}

void CDataExchange::Control(int id, CWindow& control) const {
    control.Attach(::GetDlgItem(dialog_, id));
}

// ---- Dialog ----------------------------------------------------------------

CDialog::CDialog(int templateId, HWND owner) : templateId_(templateId), owner_(owner) {}

CDialog::~CDialog() {
    if (!IsEmpty() && !modal_) DestroyWindow(Handle());
}

INT_PTR CDialog::DoModal() {
    if (!IsEmpty()) return -1;
    HWND owner = owner_;
    if (!owner && CWinApp::Get()) owner = CWinApp::Get()->GetMainWindow();
    if (owner && !IsWindow(owner)) owner = nullptr;
    RegisterCommonControls();
    modal_ = true;
    INT_PTR result = DialogBoxParam(GetModuleHandleW(nullptr), MAKEINTRESOURCE(templateId_),
                                     owner, &DialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return result;
}

bool CDialog::Create() {
    if (!IsEmpty()) return false;
    RegisterCommonControls();
    modal_ = false;
    HWND window = CreateDialogParam(GetModuleHandleW(nullptr), MAKEINTRESOURCE(templateId_),
                                     owner_, &DialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    if (IsEmpty()) return;
    if (modal_)
        ::EndDialog(Handle(), result);
    else
        DestroyWindow(Handle());
}

bool CDialog::UpdateData(bool saveAndValidate) {
    if (IsEmpty()) return false;
    CDataExchange exchange(Handle(), saveAndValidate);
    DoDataExchange(exchange);
    return true;
}

CDialog* CDialog::FromHandle(HWND window) {
    if (!window) return nullptr;
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtr(window, DWLP_DLGPROC));
    if (proc != &DialogProc) return nullptr;
    return reinterpret_cast<CDialog*>(GetWindowLongPtr(window, DWLP_USER));
}

bool CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_INITDIALOG:
            result = OnInitDialog();
            return true;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            result = OnNotify(static_cast<int>(wParam), *header);
            return true;
        }
        case WM_TIMER:
            OnTimer(wParam);
            return true;
        case WM_DRAWITEM: {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            CSubclassedWindow* control = CSubclassedWindow::FromHandle(item->hwndItem);
            if (!control) return false;
            result = control->SendMessage(kReflectedDrawItem, wParam, lParam);
            return true;
        }
        default:
            return false;
    }
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK() {
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(int id, int, HWND) {
    switch (id) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
        default:
            return false;
    }
}

LRESULT CDialog::OnNotify(int, NMHDR&) {
    return 0;
}

void CDialog::OnTimer(UINT_PTR) {}

// ---- The dialog procedure --------------------------------------------------

namespace {

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool returnsResultDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return true;
        default:
            return false;
    }
}

}  // namespace

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtr(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->Attach(window);
    }
    auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtr(window, DWLP_USER));
    if (!self) return FALSE;  // WM_SETFONT and the like, before WM_INITDIALOG
    if (message == WM_NCDESTROY) {
        SetWindowLongPtr(window, DWLP_USER, 0);
        self->Detach();
        return FALSE;
    }
    LRESULT result = 0;
    if (!self->HandleMessage(message, wParam, lParam, result)) return FALSE;
    if (returnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtr(window, DWLP_MSGRESULT, result);
    return TRUE;
}
