#include "installer/install_record.h"

#include <cstdio>

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

std::string UninstallKeyPath(const std::string& productName) {
    return kUninstallKeyPrefix + productName;
}
