#include "installer/vendor_hosts.h"

#include <algorithm>
#include <set>

#include "foundation/text_case.h"
#include "installer/installed_product.h"
#include "platform/kernel_handles.h"
#include "platform/win_text.h"

namespace {

std::string environment(const char* name) {
    return EnvironmentVariable(name);
}

// The 64-bit folder where a 32-bit program on 64-bit Windows has one.
std::string wideFolder(const char* wide, const char* own) {
    std::string folder = environment(wide);
    return folder.empty() ? environment(own) : folder;
}

std::string withBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<REGSAM> viewsOf(const std::string& view) {
    if (view == "32") return {KEY_WOW64_32KEY};
    if (view == "64") return {KEY_WOW64_64KEY};
    return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
}

// The folder a host's key gives, or empty.
std::string folderFromKey(HKEY root, const std::string& path, REGSAM view,
                          const HostDefinition& host) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS)
        return {};
    const RegKey key(opened);
    std::string folder = ReadRegistryString(key.Get(), host.value, "");
    if (folder.empty()) return {};
    if (!host.subFolder.empty()) folder = withBackslash(folder) + host.subFolder;
    return withBackslash(folder);
}

std::vector<std::string> subKeys(HKEY root, const std::string& path, REGSAM view) {
    std::vector<std::string> names;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_ENUMERATE_SUB_KEYS | view, &opened) !=
        ERROR_SUCCESS)
        return names;
    const RegKey key(opened);
    for (DWORD index = 0;; ++index) {
        // A key name has at most 255 characters.
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(Utf8(std::wstring_view(name, length)));
    }
    // Newest first: "270.0" before "26.0".
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareVersions(a, b) > 0;
    });
    return names;
}

std::string replaceKey(std::string name, const std::string& subKey) {
    const std::string mark = "{key}";
    for (size_t at = name.find(mark); at != std::string::npos;
         at = name.find(mark, at + subKey.size())) {
        name.replace(at, mark.size(), subKey);
    }
    return name;
}

}  // namespace

std::string ExpandHostFolder(const std::string& text) {
    const struct {
        const char* name;
        std::string folder;
    } known[] = {
        {"%ProgramFiles%", wideFolder("ProgramW6432", "ProgramFiles")},
        {"%CommonProgramFiles%", wideFolder("CommonProgramW6432", "CommonProgramFiles")},
        {"%AppData%", environment("APPDATA")},
        {"%LocalAppData%", environment("LOCALAPPDATA")},
    };
    std::string result;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& item : known) {
            const size_t length = std::char_traits<char>::length(item.name);
            if (EqualIgnoringCase(std::string_view(text).substr(i, length), item.name)) {
                result += item.folder;
                i += length;
                replaced = true;
                break;
            }
        }
        if (!replaced) result += text[i++];
    }
    return result;
}

std::vector<DetectedHost> DetectVendorHost(const HostDefinition& host) {
    std::vector<DetectedHost> found;
    if (!host.folder.empty()) {
        const std::string folder = ExpandHostFolder(host.folder);
        if (isFolder(folder)) found.push_back({host.name, withBackslash(folder)});
        return found;
    }
    const HKEY root = EqualIgnoringCase(host.root, "HKCU")   ? HKEY_CURRENT_USER
                      : EqualIgnoringCase(host.root, "HKLM") ? HKEY_LOCAL_MACHINE
                                                             : nullptr;
    if (!root || host.key.empty()) return found;
    const bool each = host.key == "*" || (host.key.size() > 2 &&
                                          host.key.compare(host.key.size() - 2, 2, "\\*") == 0);
    const std::string parent = each ? host.key.substr(0, host.key.size() > 2 ? host.key.size() - 2 : 0)
                                    : host.key;
    for (REGSAM view : viewsOf(host.view)) {
        if (!each) {
            const std::string folder = folderFromKey(root, parent, view, host);
            if (!folder.empty()) found.push_back({host.name, folder});
            continue;
        }
        for (const std::string& subKey : subKeys(root, parent, view)) {
            const std::string path = parent.empty() ? subKey : parent + "\\" + subKey;
            const std::string folder = folderFromKey(root, path, view, host);
            if (!folder.empty()) found.push_back({replaceKey(host.name, subKey), folder});
        }
    }
    return found;
}

std::vector<DetectedHost> DetectHosts(const InstallConfiguration& config) {
    std::vector<DetectedHost> rows;
    std::set<std::pair<std::string, std::string>> seen;
    auto add = [&](const DetectedHost& host) {
        // Both views of a 32-bit system are one: a host is listed once.
        if (seen.insert({host.displayName, host.folder}).second) rows.push_back(host);
    };
    for (const HostDefinition& host : config.hosts)
        for (const DetectedHost& found : DetectVendorHost(host))
            add(found);
    if (config.builtInHosts)
        for (const DetectedHost& found : DetectHostApplications())
            add(found);
    return rows;
}
