// Owning and borrowing wrappers of Win32 handles.
//
// Ownership shows in the type: CGdiObject<H> (CBitmap, CPalette, CFont,
// CBrush) deletes its handle in the destructor; a raw HBITMAP, HFONT... is
// borrowed and never deleted by whoever holds it. CSelectObject and
// CSelectPalette are scopes: they select into a device context and put the
// previous object back when they end. CComPtr<T> holds one reference of a COM
// interface. CGlobalMemory owns a movable global memory block until Release.
// None of these classes can be copied; the owning ones can be moved. Like
// the kernel handle owners, an owner hands out its handle with Get, gives it
// up with Release and replaces it with Reset. Wrappers that only borrow a handle
// (CWindow and the controls, the CDC base) say Handle, Attach and Detach.
// Kernel object handles and registry keys have their owners in
// kernel_handles.h.
#pragma once

#include <utility>

#include "platform/win_sdk.h"

// ---- GDI objects -----------------------------------------------------------

template <class THandle>
class CGdiObject {
public:
    CGdiObject() = default;
    // Takes ownership of handle (may be null).
    explicit CGdiObject(THandle handle) : handle_(handle) {}
    CGdiObject(CGdiObject&& other) noexcept : handle_(other.Release()) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    ~CGdiObject() { Reset(); }

    THandle Get() const { return handle_; }
    // Gives up ownership: the caller deletes the returned handle.
    THandle Release() { return std::exchange(handle_, nullptr); }
    // Deletes the handle held so far and takes ownership of handle (may be null).
    void Reset(THandle handle = nullptr) {
        if (handle == handle_) return;
        if (handle_) DeleteObject(handle_);
        handle_ = handle;
    }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    THandle handle_ = nullptr;
};

using CBitmap = CGdiObject<HBITMAP>;
using CPalette = CGdiObject<HPALETTE>;
using CFont = CGdiObject<HFONT>;
using CBrush = CGdiObject<HBRUSH>;

// Selects object into dc for the scope's lifetime. A null object selects
// nothing (and restores nothing).
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    ~CSelectObject() {
        if (previous_) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Selects palette into dc (foreground unless background is set) and realises
// it; the previous palette comes back, unrealised, when the scope ends.
class CSelectPalette {
public:
    CSelectPalette(HDC dc, HPALETTE palette, bool background = false)
        : dc_(dc), previous_(SelectPalette(dc, palette, background)) {
        RealizePalette(dc);
    }
    CSelectPalette(const CSelectPalette&) = delete;
    CSelectPalette& operator=(const CSelectPalette&) = delete;
    ~CSelectPalette() {
        if (previous_) SelectPalette(dc_, previous_, TRUE);
    }

private:
    HDC dc_;
    HPALETTE previous_;
};

// ---- COM -----------------------------------------------------------------

// One counted reference of a COM interface, released on destruction.
template <class T>
class CComPtr {
public:
    CComPtr() = default;
    // Adopts the reference the caller holds (no AddRef).
    explicit CComPtr(T* adopted) : pointer_(adopted) {}
    CComPtr(CComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    ~CComPtr() { Reset(); }

    void Reset() {
        if (pointer_) pointer_->Release();
        pointer_ = nullptr;
    }
    // Releases what is held and returns the slot for an out-parameter
    // (QueryInterface, CreateStreamOnHGlobal...): the call's reference is adopted.
    T** Receive() {
        Reset();
        return &pointer_;
    }
    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    T* pointer_ = nullptr;
};

// CoInitialize for the calling thread, for the scope's lifetime.
class CComInitialize {
public:
    CComInitialize() : result_(CoInitialize(nullptr)) {}
    CComInitialize(const CComInitialize&) = delete;
    CComInitialize& operator=(const CComInitialize&) = delete;
    ~CComInitialize() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    bool Succeeded() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

// ---- Global memory ---------------------------------------------------------

// A movable global memory block (GlobalAlloc with GMEM_MOVEABLE), freed on
// destruction unless Release handed it on (for example to a stream that frees
// it on release).
class CGlobalMemory {
public:
    // Allocates size bytes (at least one) and copies data into them when data
    // is not null. Check with operator bool.
    CGlobalMemory(const void* data, SIZE_T size);
    CGlobalMemory(const CGlobalMemory&) = delete;
    CGlobalMemory& operator=(const CGlobalMemory&) = delete;
    ~CGlobalMemory() {
        if (memory_) GlobalFree(memory_);
    }

    HGLOBAL Get() const { return memory_; }
    // Gives up ownership: the caller frees the returned block.
    HGLOBAL Release() { return std::exchange(memory_, nullptr); }
    explicit operator bool() const { return memory_ != nullptr; }

private:
    HGLOBAL memory_ = nullptr;
};
