#include "installer/host_detect.h"

#include "platform/kernel_handles.h"
#include "platform/win_text.h"

const HostApplication kHostApplications[] = {
    {"Macromedia Fireworks MX", HKEY_LOCAL_MACHINE,
     "Software\\Macromedia\\Fireworks\\6\\Installation", "InstallPath", "Plug-Ins\\"},
    {"Jasc Paint Shop Pro 7", HKEY_CURRENT_USER,
     "Software\\Jasc\\Paint Shop Pro 7\\ImageProcessingFilter", "Directory1", ""},
    {"Adobe Photoshop 6", HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\6.0", "PluginPath", ""},
    {"Jasc Paint Shop Pro 8", HKEY_CURRENT_USER,
     "Software\\Jasc\\Paint Shop Pro 8\\FileLocations\\PlugIns\\0", "Dir", ""},
    {"Adobe Photoshop 7", HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\7.0", "PluginPath", ""},
    {"Adobe Photoshop 7 CE", HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\7.0 CE", "PluginPath",
     ""},
    {"Adobe Photoshop CS 8", HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\8.0\\PluginPath", "",
     ""},
    {"", nullptr, "", "", ""},
};

std::string ReadRegistryString(HKEY key, const std::string& name, const std::string& defaultText) {
    // Size first, then the data into a buffer of that size.
    const std::wstring wideName = Wide(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return defaultText;
    // One more character than reported, so that text stored without its NUL
    // (or with an odd number of bytes) still ends inside the buffer.
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = size;
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &read) != ERROR_SUCCESS ||
        type != REG_SZ)
        return defaultText;
    buffer.resize((read < size ? read : size) / sizeof(wchar_t));
    return Utf8(buffer.c_str());
}

std::vector<DetectedHost> DetectHostApplications(const HostApplication* table) {
    std::vector<DetectedHost> rows;
    for (const HostApplication* host = table; host->displayName[0] != '\0'; ++host) {
        HKEY opened = nullptr;
        // The built-in hosts are 32-bit programs: on 64-bit Windows their keys
        // are in the 32-bit view, where a 64-bit installer must look too.
        if (RegOpenKeyExW(host->root, Wide(host->keyPath).c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                          &opened) != ERROR_SUCCESS)
            continue;
        const RegKey key(opened);
        std::string folder = ReadRegistryString(key.Get(), host->valueName, "");
        if (folder.empty()) continue;
        if (folder.back() != '\\') folder += '\\';
        folder += host->suffix;
        rows.insert(rows.begin(), DetectedHost{host->displayName, folder});
    }
    return rows;
}
