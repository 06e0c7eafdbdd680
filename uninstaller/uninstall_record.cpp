#include "uninstaller/uninstall_record.h"

#include <map>

#include "foundation/text_case.h"
#include "installer/install_record.h"
#include "platform/kernel_handles.h"
#include "platform/win_text.h"

namespace {

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = path.find('\\', start);
        parts.push_back(
            path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

std::string trimmedKey(std::string key) {
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    return key;
}

bool isUninstallEntryKey(const std::string& key) {
    const std::string prefix = kUninstallKeyPrefix;
    if (key.size() <= prefix.size()) return false;
    if (!EqualIgnoringCase(key.substr(0, prefix.size()), prefix)) return false;
    // The product's name must name a key of its own below the list.
    const std::string name = trimmedKey(key.substr(prefix.size()));
    if (name.empty() || name[0] == '\\') return false;
    for (const std::string& part : components(name))
        if (part.empty()) return false;
    return true;
}

struct Value {
    DWORD type = 0;
    std::string text;
};

std::map<std::string, Value> readAllValues(HKEY key) {
    std::map<std::string, Value> values;
    // Names in characters, data in bytes. Read with the wide functions,
    // values that an earlier installer wrote with the ANSI ones read as the
    // text they meant: the registry keeps every string in UTF-16.
    DWORD count = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::wstring name(longestName + 1, L'\0');
    std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(longestData);
        DWORD type = 0;
        if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataLength) != ERROR_SUCCESS)
            continue;
        Value& value = values[Utf8(std::wstring_view(name.data(), nameLength))];
        value.type = type;
        // Text ends at its first NUL, whether or not it was stored with one.
        const std::wstring_view raw(data.data(), dataLength / sizeof(wchar_t));
        value.text = Utf8(raw.substr(0, raw.find(L'\0')));
    }
    return values;
}

RecordRead damaged(std::string problem) {
    RecordRead read;
    read.status = RecordStatus::Damaged;
    read.problem = std::move(problem);
    return read;
}

}  // namespace

bool IsInstallerRecordValue(const std::string& name) {
    return name == kRecordPathValue || name == kRecordProductValue ||
           name == kRecordMainExecutableValue || NumberedValueNumber(name, kRecordFileSuffix) >= 0 ||
           NumberedValueNumber(name, kRecordFolderSuffix) >= 0 ||
           NumberedValueNumber(name, kRecordRegKeySuffix) >= 0 ||
           NumberedValueNumber(name, kRecordCheckSuffix) >= 0;
}

std::string NormalRecordedPath(const std::string& path) {
    std::string normal;
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i] == '/' ? '\\' : path[i];
        // A share's path begins with two backslashes; anywhere else a second
        // one adds nothing.
        if (c == '\\' && !normal.empty() && normal.back() == '\\' && normal.size() > 1) continue;
        normal += c;
    }
    while (normal.size() > 3 && normal.back() == '\\')
        normal.pop_back();
    return normal;
}

bool IsRemovablePath(const std::string& path) {
    std::vector<std::string> parts = components(path);
    size_t first;  // first component below the drive or share
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        path[2] == '\\') {
        first = 1;
    } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
        // "", "", server, share, ...
        if (parts.size() < 4 || parts[2].empty() || parts[3].empty()) return false;
        first = 4;
    } else {
        return false;
    }
    if (parts.size() <= first) return false;
    for (size_t i = first; i < parts.size(); ++i)
        if (parts[i].empty() || parts[i] == "." || parts[i] == "..") return false;
    return true;
}

RecordRead ReadUninstallRecord(HKEY root, const std::string& keyPath) {
    RecordRead read;
    if (trimmedKey(keyPath).empty()) return read;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, Wide(keyPath).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return read;
    const RegKey key(opened);
    const std::map<std::string, Value> values = readAllValues(key.Get());

    std::map<long, std::string> files, folders, registryKeys;
    for (const auto& [name, value] : values) {
        long number = -1;
        std::map<long, std::string>* list = nullptr;
        if ((number = NumberedValueNumber(name, kRecordFileSuffix)) >= 0)
            list = &files;
        else if ((number = NumberedValueNumber(name, kRecordFolderSuffix)) >= 0)
            list = &folders;
        else if ((number = NumberedValueNumber(name, kRecordRegKeySuffix)) >= 0)
            list = &registryKeys;
        else if (name != kRecordPathValue && name != kRecordProductValue)
            continue;
        if (value.type != REG_SZ) return damaged("the value \"" + name + "\" is not text");
        if (!list) continue;
        if (list == &registryKeys) {
            const std::string named = trimmedKey(value.text);
            if (!isUninstallEntryKey(named) && !EqualIgnoringCase(named, trimmedKey(keyPath)))
                return damaged("\"" + name + "\" names a registry key that is not the product's");
            (*list)[number] = named;
            continue;
        }
        const std::string path = NormalRecordedPath(value.text);
        if (!IsRemovablePath(path))
            return damaged("\"" + name + "\" is not a full path to a file or folder");
        (*list)[number] = path;
    }

    auto path = values.find(kRecordPathValue);
    if (path == values.end()) return damaged("it holds no \"Path\" value");
    read.record.installationPath = NormalRecordedPath(path->second.text);
    if (!IsRemovablePath(read.record.installationPath))
        return damaged("\"Path\" is not a full path to a folder");
    if (auto product = values.find(kRecordProductValue); product != values.end())
        read.record.product = product->second.text;
    read.record.keyPath = trimmedKey(keyPath);
    for (const auto& item : files)
        read.record.files.push_back(item.second);
    for (const auto& item : folders)
        read.record.folders.push_back(item.second);
    for (const auto& item : registryKeys)
        read.record.registryKeys.push_back(item.second);
    read.status = RecordStatus::Ok;
    return read;
}
