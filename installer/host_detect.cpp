#include "installer/host_detect.h"

#include <memory>

#include "platform/kernel_handles.h"

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
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return defaultText;
    // One more byte than reported, so that text stored without its NUL still
    // ends inside the buffer.
    auto buffer = std::make_unique<char[]>(size + 1);
    DWORD read = size;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.get()),
                         &read) != ERROR_SUCCESS ||
        type != REG_SZ)
        return defaultText;
    buffer[read < size ? read : size] = '\0';
    return std::string(buffer.get());
}

std::vector<DetectedHost> DetectHostApplications(const HostApplication* table) {
    std::vector<DetectedHost> rows;
    for (const HostApplication* host = table; host->displayName[0] != '\0'; ++host) {
        HKEY opened = nullptr;
        // The built-in hosts are 32-bit programs: on 64-bit Windows their keys
        // are in the 32-bit view, where a 64-bit installer must look too.
        if (RegOpenKeyExA(host->root, host->keyPath, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
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
