// CDialog: a dialog on a dialog template of this program, run modally
// (DoModal) or created modeless (Create). Either registers the common
// control classes first (common_controls.h), once per process.
//
// `this` is kept in the dialog's DWLP_USER from WM_INITDIALOG on, and every
// message goes to the virtual HandleMessage: one switch that calls the
// handlers below. A derived dialog overrides the handlers it needs and, for
// any other message, HandleMessage itself, passing what it does not handle on
// to CDialog::HandleMessage.
//
// What the base does with the common messages:
//   WM_INITDIALOG - OnInitDialog: data exchange binds the controls and writes
//                   the members into them (UpdateData(false)).
//   WM_COMMAND    - OnCommand(id, code, control); the default sends IDOK to
//                   OnOK (read the controls, end with IDOK) and IDCANCEL
//                   (Escape, the close box, a button with id 2) to OnCancel
//                   (end with IDCANCEL).
//   WM_NOTIFY     - OnNotify(id, header); its result is the message's result.
//   WM_TIMER      - OnTimer(id).
//   WM_DRAWITEM   - reflected to the control when it is a CSubclassedWindow
//                   (kReflectedDrawItem), so owner-drawn controls draw themselves.
//
// Data exchange: DoDataExchange names the members bound to controls; it runs
// on every UpdateData, reading the controls into the members (save) or
// writing the members into the controls.
#pragma once

#include <string>

#include "platform/win_sdk.h"
#include "platform/win_subclass.h"
#include "platform/win_window.h"

class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saveAndValidate)
        : dialog_(dialog), saveAndValidate_(saveAndValidate) {}

    // True when the controls are read into the members.
    bool IsSaving() const { return saveAndValidate_; }
    HWND Dialog() const { return dialog_; }

    // The text of control id <-> value.
    void Text(int id, std::string& value) const;
    // Binds control to the dialog's control id by subclassing, the first time
    // only (a bound control keeps its window).
    void Control(int id, CSubclassedWindow& control) const;
    // Gives control the handle of the dialog's control id.
    void Control(int id, CWindow& control) const;

private:
    HWND dialog_;
    bool saveAndValidate_;
};

class CDialog : public CWindow {
public:
    // templateId: a DIALOG resource of this program. owner: the window the
    // dialog belongs to; null means the application's main window (if any).
    explicit CDialog(int templateId, HWND owner = nullptr);
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;
    // A modeless dialog still open is destroyed.
    virtual ~CDialog();

    // Runs the dialog modally; returns the EndDialog result (IDOK, IDCANCEL...)
    // or -1 when the dialog could not be created.
    INT_PTR DoModal();
    // Creates the dialog modeless (hidden unless the template has WS_VISIBLE);
    // false when it could not be created or already exists.
    bool Create();
    // Ends a modal run with result; destroys a modeless dialog.
    void EndDialog(INT_PTR result);

    // Runs data exchange: true reads the controls into the members, false
    // writes the members into the controls. False without a window.
    bool UpdateData(bool saveAndValidate = true);

    int TemplateId() const { return templateId_; }
    // The dialog object of a window created by CDialog, or null.
    static CDialog* FromHandle(HWND window);

protected:
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Returns true to let the system put the focus on the first tab stop.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange& exchange);
    virtual void OnOK();
    virtual void OnCancel();
    // Returns false for commands it does not handle.
    virtual bool OnCommand(int id, int notifyCode, HWND control);
    virtual LRESULT OnNotify(int id, NMHDR& header);
    virtual void OnTimer(UINT_PTR id);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND owner_;
    bool modal_ = false;
};
