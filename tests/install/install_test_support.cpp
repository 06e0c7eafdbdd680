#include "install_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "foundation/byte_file.h"

namespace installtest {

std::string UniqueName(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    return prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) +
           "-" + std::to_string(GetTickCount());
}

namespace {

std::string tempFolder() {
    char path[MAX_PATH] = "";
    const DWORD length = GetTempPathA(MAX_PATH, path);
    std::string folder(path, length);
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

}  // namespace

TestFolder::TestFolder(const std::string& base)
    : path_((base.empty() ? tempFolder() : base) + "\\" + UniqueName("nerro-install-test")) {
    EXPECT_TRUE(CreateDirectoryA(path_.c_str(), nullptr)) << path_;
}

TestFolder::~TestFolder() {
    RemoveTree(path_);
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

bool KeyExists(HKEY root, const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
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
    // RegDeleteTreeA takes no view: the parent is opened in ours, and the
    // tree deleted under it by name.
    const size_t cut = outermostNew_.rfind('\\');
    if (cut == std::string::npos) {
        RegDeleteTreeA(root_, outermostNew_.c_str());
        return;
    }
    HKEY parent = nullptr;
    if (RegOpenKeyExA(root_, outermostNew_.substr(0, cut).c_str(), 0, KEY_ALL_ACCESS | view_,
                      &parent) != ERROR_SUCCESS)
        return;
    RegDeleteTreeA(parent, outermostNew_.substr(cut + 1).c_str());
    RegCloseKey(parent);
}

void ScopedRegKey::Create() const {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS)
        << path_;
    RegCloseKey(key);
}

void ScopedRegKey::Set(const std::string& name, DWORD type, const std::string& data) const {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    EXPECT_EQ(
        RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + (text ? 1 : 0))),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

std::map<std::string, std::string> ReadValues(HKEY root, const std::string& path,
                                              REGSAM view) {
    std::map<std::string, std::string> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameLength = sizeof name;
        std::vector<BYTE> data(65536);
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data.data(),
                          &dataLength) != ERROR_SUCCESS)
            break;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            std::string text(reinterpret_cast<const char*>(data.data()), dataLength);
            if (!text.empty() && text.back() == '\0') text.pop_back();
            values[name] = text;
        } else {
            values[name] = "<type " + std::to_string(type) + ">";
        }
    }
    RegCloseKey(key);
    return values;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << path;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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
