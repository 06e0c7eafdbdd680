#include "install_test_support.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <vector>

#include "foundation/byte_file.h"
#include "foundation/utf8.h"
#include "platform/win_handles.h"
#include "platform/win_text.h"

namespace installtest {

std::string UniqueName(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    return prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) +
           "-" + std::to_string(GetTickCount());
}

namespace {

std::string tempFolder() {
    std::string folder = TempFolder();
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

}  // namespace

TestFolder::TestFolder(const std::string& base)
    : path_((base.empty() ? tempFolder() : base) + "\\" + UniqueName("nerro-install-test")) {
    EXPECT_TRUE(CreateDirectoryW(WidePath(path_).c_str(), nullptr)) << path_;
}

TestFolder::~TestFolder() {
    RemoveTree(path_);
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WidePath(path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = Utf8(found.cFileName);
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesW(WidePath(child).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(WidePath(child).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(WidePath(path).c_str());
}

bool KeyExists(HKEY root, const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

ScopedRegKey::ScopedRegKey(HKEY root, std::string path, REGSAM view)
    : root_(root), path_(std::move(path)), view_(view) {
    for (size_t cut = 0; cut <= path_.size(); ++cut) {
        if (cut < path_.size() && path_[cut] != '\\') continue;
        const std::string prefix = path_.substr(0, cut);
        if (!KeyExists(root_, prefix, view_)) {
            outermostNew_ = prefix;
            break;
        }
    }
}

ScopedRegKey::~ScopedRegKey() {
    if (!Fresh()) return;
    // RegDeleteTreeW takes no view: the parent is opened in ours, and the
    // tree deleted under it by name.
    const size_t cut = outermostNew_.rfind('\\');
    if (cut == std::string::npos) {
        RegDeleteTreeW(root_, Wide(outermostNew_).c_str());
        return;
    }
    HKEY parent = nullptr;
    if (RegOpenKeyExW(root_, Wide(outermostNew_.substr(0, cut)).c_str(), 0, KEY_ALL_ACCESS | view_,
                      &parent) != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(parent, Wide(outermostNew_.substr(cut + 1)).c_str());
    RegCloseKey(parent);
}

void ScopedRegKey::Create() const {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root_, Wide(path_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path_;
    RegCloseKey(key);
}

void ScopedRegKey::Set(const std::string& name, DWORD type, const std::string& data) const {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root_, Wide(path_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    // Text as UTF-16 with its NUL; other data as the bytes given.
    const std::wstring wide = Wide(data);
    const BYTE* bytes = text ? reinterpret_cast<const BYTE*>(wide.c_str())
                             : reinterpret_cast<const BYTE*>(data.data());
    const size_t size = text ? (wide.size() + 1) * sizeof(wchar_t) : data.size();
    EXPECT_EQ(RegSetValueExW(key, Wide(name).c_str(), 0, type, bytes, static_cast<DWORD>(size)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::map<std::string, std::string> ReadValues(HKEY root, const std::string& path,
                                              REGSAM view) {
    std::map<std::string, std::string> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return values;
    std::vector<wchar_t> name(16384);
    std::vector<wchar_t> data(32768);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataLength) != ERROR_SUCCESS)
            break;
        const std::string valueName = Utf8(std::wstring_view(name.data(), nameLength));
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            std::wstring text(data.data(), dataLength / sizeof(wchar_t));
            if (!text.empty() && text.back() == L'\0') text.pop_back();
            values[valueName] = Utf8(text);
        } else {
            values[valueName] = "<type " + std::to_string(type) + ">";
        }
    }
    RegCloseKey(key);
    return values;
}

namespace {

void collectTree(const std::string& folder, const std::string& relative,
                 std::map<std::string, std::string>& tree) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(WidePath(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = Utf8(found.cFileName);
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[relative + name + "\\"] = "<folder>";
            collectTree(path, relative + name + "\\", tree);
        } else {
            tree[relative + name] = ReadFileBytes(path);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

std::map<std::string, std::string> FolderTree(const std::string& folder) {
    std::map<std::string, std::string> tree;
    collectTree(folder, "", tree);
    return tree;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    std::FILE* file = OpenFileUtf8(path.c_str(), "rb");
    if (!file) return bytes;
    char buffer[65536];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, read);
    std::fclose(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = OpenFileUtf8(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ASSERT_TRUE(std::fclose(file) == 0 && written) << path;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ShortcutFields ReadShortcut(const std::string& path) {
    ShortcutFields fields;
    const CComInitialize com;
    CComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.Receive()))))
        return fields;
    CComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()))) ||
        FAILED(file->Load(WidePath(path).c_str(), STGM_READ)))
        return fields;
    // Room for a path of any length.
    std::vector<wchar_t> text(32768);
    const int size = static_cast<int>(text.size());
    // The target by the link's item list, which names it in UTF-16 (the path
    // GetPath gives may come from the link's code-page copy of it).
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(link->GetIDList(&list)) && list) {
        if (SHGetPathFromIDListEx(list, text.data(), static_cast<DWORD>(text.size()),
                                  GPFIDL_DEFAULT))
            fields.target = Utf8(text.data());
        CoTaskMemFree(list);
    }
    if (fields.target.empty() &&
        link->GetPath(text.data(), size, nullptr, SLGP_RAWPATH) == S_OK)
        fields.target = Utf8(text.data());
    if (link->GetWorkingDirectory(text.data(), size) == S_OK) fields.workingFolder = Utf8(text.data());
    if (link->GetArguments(text.data(), size) == S_OK) fields.arguments = Utf8(text.data());
    if (link->GetDescription(text.data(), size) == S_OK) fields.description = Utf8(text.data());
    return fields;
}

void WritePack(const std::string& path, const std::vector<PackItem>& items) {
    WriteFileBytes(path, "MZ test installer stub");
    TPackFile pack(path.c_str(), true);
    ASSERT_FALSE(pack.IsFailed()) << path;
    for (const PackItem& item : items) {
        MemoryFile input(item.data);
        ASSERT_NE(pack.AddStream(input, item.name.c_str(), item.mode), nullptr) << item.name;
    }
    pack.Flush();
    ASSERT_FALSE(pack.IsFailed());
}

std::string SampleBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        // Small values often, as in code and tables.
        const uint32_t r = state >> 16;
        bytes[i] = static_cast<char>((r & 3) == 0 ? r >> 8 : r & 0x0F);
    }
    return bytes;
}

}  // namespace installtest
