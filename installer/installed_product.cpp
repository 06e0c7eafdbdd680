#include "installer/installed_product.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <vector>

#include "installer/host_detect.h"
#include "installer/install_record.h"
#include "platform/kernel_handles.h"
#include "platform/win_text.h"

namespace {

RegKey openForReading(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(key);
}

std::map<std::string, std::string> textValues(HKEY key) {
    std::map<std::string, std::string> values;
    // A value name has at most 16383 characters.
    std::vector<wchar_t> name(16384);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        const std::string text = Utf8(std::wstring_view(name.data(), nameLength));
        values[text] = ReadRegistryString(key, text, "");
    }
    return values;
}

unsigned long leadingNumber(const std::string& text, size_t& position) {
    unsigned long number = 0;
    while (position < text.size() && std::isdigit(static_cast<unsigned char>(text[position])))
        number = number * 10 + static_cast<unsigned long>(text[position++] - '0');
    while (position < text.size() && text[position] != '.')
        ++position;  // a suffix such as "beta" is not compared
    if (position < text.size()) ++position;
    return number;
}

}  // namespace

InstalledProduct FindInstalledProduct(const InstallSettings& settings) {
    InstalledProduct product;
    const RegKey entry = openForReading(UninstallKeyPath(settings.productId));
    if (!entry) return product;
    product.present = true;
    product.version = ReadRegistryString(entry.Get(), kUninstallVersionValue, "");
    product.folder = ReadRegistryString(entry.Get(), kUninstallLocationValue, "");

    const RegKey record = openForReading(settings.registryKey);
    if (!record) return product;
    const std::map<std::string, std::string> values = textValues(record.Get());
    std::map<long, InstalledFile> files;
    std::map<long, std::string> folders;
    for (const auto& [name, text] : values) {
        if (long m = NumberedValueNumber(name, kRecordFileSuffix); m >= 0) files[m].path = text;
        if (long m = NumberedValueNumber(name, kRecordCheckSuffix); m >= 0) files[m].check = text;
        if (long k = NumberedValueNumber(name, kRecordFolderSuffix); k >= 0) folders[k] = text;
    }
    for (const auto& item : files)
        if (!item.second.path.empty()) product.files.push_back(item.second);
    for (const auto& item : folders)
        product.folders.push_back(item.second);
    if (product.folder.empty()) {
        const auto path = values.find(kRecordPathValue);
        if (path != values.end()) product.folder = path->second;
    }
    if (!product.folder.empty() && product.folder.back() != '\\') product.folder += '\\';
    return product;
}

int CompareVersions(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const unsigned long x = leadingNumber(a, i);
        const unsigned long y = leadingNumber(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

std::string CheckText(uint32_t check) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", check);
    return text;
}

std::string DowngradeQuestion(const InstallSettings& settings) {
    const InstalledProduct earlier = FindInstalledProduct(settings);
    if (!earlier.present || earlier.version.empty() || settings.version.empty() ||
        CompareVersions(settings.version, earlier.version) >= 0)
        return {};
    return "A newer version (" + earlier.version + ") of " + settings.productName +
           " is installed. Install the older version " + settings.version + " over it?";
}
