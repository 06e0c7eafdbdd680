// Owners of kernel object handles and registry keys.
//
// Each class owns exactly one handle and releases it in its destructor; they
// move but never copy. An empty owner holds no handle and releases nothing.
#pragma once

#include <utility>

#include "platform/win_sdk.h"

// A kernel object handle (file, event, thread, process, job), closed with
// CloseHandle. Both null and INVALID_HANDLE_VALUE count as "no handle", so
// the result of CreateFile can be taken as it comes.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    // Gives up ownership without closing.
    HANDLE Release() { return std::exchange(handle_, nullptr); }
    // Closes the handle held, if any, and takes handle.
    void Reset(HANDLE handle = nullptr) {
        if (*this) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// An open registry key, closed with RegCloseKey. Never holds a predefined
// root key (HKEY_LOCAL_MACHINE...): those are not opened, so not closed.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() { Reset(); }
    RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.key_, nullptr));
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY Get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    void Reset(HKEY key = nullptr) {
        if (key_) RegCloseKey(key_);
        key_ = key;
    }

private:
    HKEY key_ = nullptr;
};
