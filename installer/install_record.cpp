#include "installer/install_record.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win_text.h"

RegKey OpenRecordKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    // RegCreateKeyExW takes the class as a writable string.
    std::wstring keyClass = Wide(kRecordKeyClass);
    const LONG status =
        RegCreateKeyExW(root, Wide(path).c_str(), 0, keyClass.data(), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return RegKey();
    return RegKey(key);
}

bool WriteRecordValue(HKEY key, const std::string& name, const std::string& text) {
    if (!key) return false;
    const std::wstring wide = Wide(text);
    const LONG status = RegSetValueExW(key, Wide(name).c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(wide.c_str()),
                                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    return status == ERROR_SUCCESS;
}

std::string NumberedValueName(int number, const char* suffix) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", number);
    return digits + std::string(suffix);
}

long NumberedValueNumber(const std::string& name, const char* suffix) {
    const size_t tail = std::strlen(suffix);
    if (name.size() <= tail || name.size() > tail + 9 ||
        name.compare(name.size() - tail, tail, suffix) != 0)
        return -1;
    long number = 0;
    for (size_t i = 0; i < name.size() - tail; ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

std::string UninstallKeyPath(const std::string& productName) {
    return kUninstallKeyPrefix + productName;
}

std::string UninstallCommandLine(const std::string& programPath, const std::string& recordKey,
                                 bool silent) {
    return "\"" + programPath + "\" " + (silent ? "/S " : "") + recordKey;
}

bool InstallRecord::OpenForWriting() {
    if (key_) return true;
    // Which of the key's parents are missing: those the creation makes.
    std::vector<std::string> missing;
    for (size_t cut = 0; cut <= keyPath_.size(); ++cut) {
        if (cut < keyPath_.size() && keyPath_[cut] != '\\') continue;
        const std::string prefix = keyPath_.substr(0, cut);
        if (prefix.empty() || prefix.back() == '\\') continue;
        HKEY probe = nullptr;
        if (RegOpenKeyExW(root_, Wide(prefix).c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
            RegCloseKey(probe);
            continue;
        }
        missing.push_back(prefix);
    }
    HKEY key = nullptr;
    std::wstring keyClass = Wide(kRecordKeyClass);
    const LONG status =
        RegCreateKeyExW(root_, Wide(keyPath_).c_str(), 0, keyClass.data(), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        if (error_ == 0) error_ = static_cast<DWORD>(status);
        return false;
    }
    key_.Reset(key);
    if (journal_)
        for (const std::string& created : missing)
            journal_->KeyCreated(root_, created);
    return true;
}

bool InstallRecord::Write(const std::string& name, const std::string& text) {
    // UTF-16, its size in bytes with the terminating NUL.
    const std::wstring wide = Wide(text);
    return WriteValue(name, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                      static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

bool InstallRecord::WriteNumber(const std::string& name, DWORD number) {
    return WriteValue(name, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

bool InstallRecord::WriteValue(const std::string& name, DWORD type, const BYTE* data, DWORD size) {
    if (!OpenForWriting()) return false;
    const std::wstring wideName = Wide(name);
    // What the value held before (its bytes as stored), for the journal.
    DWORD oldType = 0, oldSize = 0;
    std::string previous;
    bool existed = RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &oldType, nullptr,
                                    &oldSize) == ERROR_SUCCESS;
    if (existed) {
        previous.resize(oldSize);
        existed = RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &oldType,
                                   reinterpret_cast<BYTE*>(previous.data()), &oldSize) ==
                  ERROR_SUCCESS;
        previous.resize(oldSize);
    }
    const LONG status = RegSetValueExW(key_.Get(), wideName.c_str(), 0, type, data, size);
    if (status != ERROR_SUCCESS) {
        if (error_ == 0) error_ = static_cast<DWORD>(status);
        return false;
    }
    if (journal_) journal_->ValueWritten(root_, keyPath_, name, existed, oldType, previous);
    return true;
}

bool InstallRecord::Delete(const std::string& name) {
    if (!OpenForWriting()) return false;
    const std::wstring wideName = Wide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return true;
    std::string previous(size, '\0');
    RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type,
                     reinterpret_cast<BYTE*>(previous.data()), &size);
    previous.resize(size);
    const LONG status = RegDeleteValueW(key_.Get(), wideName.c_str());
    if (status != ERROR_SUCCESS) {
        if (error_ == 0) error_ = static_cast<DWORD>(status);
        return false;
    }
    if (journal_) journal_->ValueDeleted(root_, keyPath_, name, type, previous);
    return true;
}

std::vector<std::string> InstallRecord::ValueNames() const {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, Wide(keyPath_).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    // A value name has at most 16383 characters.
    std::vector<wchar_t> name(16384);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(Utf8(std::wstring_view(name.data(), length)));
    }
    RegCloseKey(key);
    return names;
}
