// CSubclassedWindow: an existing window (usually a dialog's control) whose
// messages this object handles.
//
// SubclassWindow binds the object to the window: `this` goes into the
// window's GWLP_USERDATA and the window procedure is replaced by ours, which
// hands every message to the virtual HandleMessage. A derived class handles
// its messages in one switch there and passes the rest to DefaultHandling
// (the window's original procedure). When the window is destroyed
// (WM_NCDESTROY) the original procedure is put back and the object is empty
// again; an object destroyed before its window unbinds itself.
//
// Owner-drawn controls: a dialog (CDialog) reflects WM_DRAWITEM to the
// control as kReflectedDrawItem with the same parameters, so a control draws
// itself in its own HandleMessage. Reflected messages that a control does not
// handle return 0.
//
// One object binds one window at a time; objects cannot be copied.
#pragma once

#include "platform/win_sdk.h"
#include "platform/win_window.h"

// Base of messages reflected from a parent to the control that caused them.
constexpr UINT kReflectedMessageBase = WM_USER + 0x2000;
constexpr UINT kReflectedDrawItem = kReflectedMessageBase + WM_DRAWITEM;

class CSubclassedWindow : public CWindow {
public:
    CSubclassedWindow() = default;
    CSubclassedWindow(const CSubclassedWindow&) = delete;
    CSubclassedWindow& operator=(const CSubclassedWindow&) = delete;
    virtual ~CSubclassedWindow();

    // Binds this object to window: PreSubclassWindow runs with the handle
    // already set and the original procedure still in place, then the
    // procedure is swapped. False (nothing changed) for a null window, a
    // window already bound to an object, or an object already bound.
    bool SubclassWindow(HWND window);
    // SubclassWindow on the child of parent with that control id.
    bool SubclassDlgItem(int id, HWND parent);
    // Puts the original procedure back; returns the window, or null when the
    // object was not bound.
    HWND UnsubclassWindow();

    // The object bound to window by SubclassWindow, or null.
    static CSubclassedWindow* FromHandle(HWND window);

protected:
    // Called once per binding, before the first message reaches HandleMessage.
    virtual void PreSubclassWindow() {}
    // Every message of the bound window. The default passes it on.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's original handling of a message.
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC originalProc_ = nullptr;
};
