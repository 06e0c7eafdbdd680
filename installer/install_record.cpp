#include "installer/install_record.h"

#include <cstdio>
#include <cstring>
#include <vector>

RegKey OpenRecordKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    // RegCreateKeyExA takes the class as a writable string.
    std::string keyClass = kRecordKeyClass;
    const LONG status =
        RegCreateKeyExA(root, path.c_str(), 0, keyClass.data(), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return RegKey();
    return RegKey(key);
}

bool WriteRecordValue(HKEY key, const std::string& name, const std::string& text) {
    if (!key) return false;
    const LONG status =
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
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
        if (RegOpenKeyExA(root_, prefix.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
            RegCloseKey(probe);
            continue;
        }
        missing.push_back(prefix);
    }
    HKEY key = nullptr;
    std::string keyClass = kRecordKeyClass;
    const LONG status =
        RegCreateKeyExA(root_, keyPath_.c_str(), 0, keyClass.data(), REG_OPTION_NON_VOLATILE,
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
    return WriteValue(name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>(text.size() + 1));
}

bool InstallRecord::WriteNumber(const std::string& name, DWORD number) {
    return WriteValue(name, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

bool InstallRecord::WriteValue(const std::string& name, DWORD type, const BYTE* data, DWORD size) {
    if (!OpenForWriting()) return false;
    // What the value held before, for the journal.
    DWORD oldType = 0, oldSize = 0;
    std::string previous;
    bool existed = RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &oldType, nullptr,
                                    &oldSize) == ERROR_SUCCESS;
    if (existed) {
        previous.resize(oldSize);
        existed = RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &oldType,
                                   reinterpret_cast<BYTE*>(previous.data()), &oldSize) ==
                  ERROR_SUCCESS;
        previous.resize(oldSize);
    }
    const LONG status = RegSetValueExA(key_.Get(), name.c_str(), 0, type, data, size);
    if (status != ERROR_SUCCESS) {
        if (error_ == 0) error_ = static_cast<DWORD>(status);
        return false;
    }
    if (journal_) journal_->ValueWritten(root_, keyPath_, name, existed, oldType, previous);
    return true;
}

bool InstallRecord::Delete(const std::string& name) {
    if (!OpenForWriting()) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return true;
    std::string previous(size, '\0');
    RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type,
                     reinterpret_cast<BYTE*>(previous.data()), &size);
    previous.resize(size);
    const LONG status = RegDeleteValueA(key_.Get(), name.c_str());
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
    if (RegOpenKeyExA(root_, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD length = sizeof name;
        if (RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}
