// Links on the way to recorded paths: the decision on a table of entries,
// and a real installation folder replaced by a link to another folder.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "install_test_support.h"
#include "platform/kernel_handles.h"
#include "uninstaller/uninstall_links.h"
#include "uninstaller/uninstall_remove.h"

namespace {

using installtest::FileExists;
using installtest::FolderExists;

constexpr DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kLinkedFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
constexpr DWORD kLinkedFile = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT;
constexpr DWORD kCloudTag = 0x9000001A;  // a file kept in the cloud: its own data

TEST(UninstallLinks, WhichEntriesAreLinks) {
    const struct {
        PathEntry entry;
        bool link;
    } cases[] = {
        {{kFolder, 0}, false},
        {{FILE_ATTRIBUTE_ARCHIVE, 0}, false},
        {{INVALID_FILE_ATTRIBUTES, IO_REPARSE_TAG_SYMLINK}, false},
        {{kLinkedFolder, IO_REPARSE_TAG_MOUNT_POINT}, true},
        {{kLinkedFolder, IO_REPARSE_TAG_SYMLINK}, true},
        {{kLinkedFile, IO_REPARSE_TAG_SYMLINK}, true},
        {{kLinkedFolder, 0}, true},  // as Wine shows a Unix symbolic link
        {{kLinkedFile, kCloudTag}, false},
        {{kLinkedFolder, kCloudTag}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsLink(c.entry), c.link)
            << std::hex << c.entry.attributes << " " << c.entry.reparseTag;
}

TEST(UninstallLinks, FirstLinkOnTheWay) {
    // The entries of a made-up drive and share; anything else is missing.
    const std::map<std::string, PathEntry> entries = {
        {"C:\\Nerro", {kFolder, 0}},
        {"C:\\Nerro\\Sub", {kFolder, 0}},
        {"C:\\Nerro\\Sub\\a.dll", {FILE_ATTRIBUTE_ARCHIVE, 0}},
        {"C:\\Nerro\\Link", {kLinkedFolder, IO_REPARSE_TAG_MOUNT_POINT}},
        {"C:\\Nerro\\Link\\b.dll", {FILE_ATTRIBUTE_ARCHIVE, 0}},
        {"C:\\Nerro\\file.lnk", {kLinkedFile, IO_REPARSE_TAG_SYMLINK}},
        {"C:\\Nerro\\cloud.dll", {kLinkedFile, kCloudTag}},
        {"C:\\Moved", {kLinkedFolder, 0}},
        {"C:\\Moved\\Sub", {kFolder, 0}},
        {"C:\\Moved\\Sub\\c.dll", {FILE_ATTRIBUTE_ARCHIVE, 0}},
        {"\\\\server\\share", {kLinkedFolder, IO_REPARSE_TAG_SYMLINK}},
        {"\\\\server\\share\\Nerro", {kFolder, 0}},
        {"\\\\server\\share\\Nerro\\Link", {kLinkedFolder, IO_REPARSE_TAG_SYMLINK}},
        {"\\\\server\\share\\Nerro\\Link\\d.dll", {FILE_ATTRIBUTE_ARCHIVE, 0}},
    };
    const PathEntryLookup lookup = [&](const std::string& path) {
        const auto found = entries.find(path);
        return found == entries.end() ? PathEntry() : found->second;
    };
    const struct {
        const char* path;
        const char* link;
    } cases[] = {
        {"C:\\Nerro\\Sub\\a.dll", ""},
        {"C:\\Nerro", ""},
        {"C:\\Nerro\\Link", "C:\\Nerro\\Link"},
        {"C:\\Nerro\\Link\\b.dll", "C:\\Nerro\\Link"},
        {"C:\\Nerro\\file.lnk", "C:\\Nerro\\file.lnk"},
        {"C:\\Nerro\\cloud.dll", ""},
        {"C:\\Moved\\Sub\\c.dll", "C:\\Moved"},
        {"C:\\Nerro\\Missing\\x.dll", ""},
        // The share itself is not the installation's business.
        {"\\\\server\\share\\Nerro", ""},
        {"\\\\server\\share\\Nerro\\Link\\d.dll", "\\\\server\\share\\Nerro\\Link"},
    };
    for (const auto& c : cases) EXPECT_EQ(FirstLinkOnPath(c.path, lookup), c.link) << c.path;
}

// Makes link a symbolic link to the folder target, as the system where the
// test runs allows: under Wine a Unix link made by ln (Wine 8 creates no
// link through CreateSymbolicLinkA or junctions, but shows a Unix link to a
// folder as a reparse point); elsewhere CreateSymbolicLinkA. False when
// neither works.
bool makeFolderLink(const std::string& link, const std::string& target) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return CreateSymbolicLinkA(link.c_str(), target.c_str(),
                                   SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */) &&
               IsLink(LookUpPathEntry(link));
    auto unixPath = [&](const std::string& path) {
        const std::wstring wide(path.begin(), path.end());
        char* name = unixName(wide.c_str());
        const std::string result = name ? name : "";
        if (name) HeapFree(GetProcessHeap(), 0, name);
        return result;
    };
    std::string command = "/bin/ln -s \"" + unixPath(target) + "\" \"" + unixPath(link) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    // Wine gives no handle to wait on for a Unix program: look until the
    // link is there.
    UniqueHandle(process.hProcess).Reset();
    UniqueHandle(process.hThread).Reset();
    for (int look = 0; look < 500 && !FolderExists(link); ++look)
        Sleep(20);
    return IsLink(LookUpPathEntry(link));
}

// Removes the link at path without touching its target (a Unix link under
// Wine, which Windows calls cannot remove).
void removeFolderLink(const std::string& path) {
    std::string whyNot;
    if (RemoveLinkItself(path, whyNot) || !FolderExists(path)) return;
    const auto unixName = reinterpret_cast<char*(CDECL*)(const WCHAR*)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return;
    const std::wstring wide(path.begin(), path.end());
    char* name = unixName(wide.c_str());
    std::string command = "/bin/rm -f \"" + std::string(name ? name : "") + "\"";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\rm", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return;
    for (int look = 0; look < 500 && FolderExists(path); ++look)
        Sleep(20);
}

TEST(UninstallLinks, NothingIsDeletedThroughALinkedInstallationFolder) {
    installtest::TestFolder folder;
    const std::string target = folder / "Elsewhere";
    const std::string base = folder / "Nerro";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((target + "\\Sub").c_str(), nullptr));
    installtest::WriteFileBytes(target + "\\a.dll", "not the installation's");
    installtest::WriteFileBytes(target + "\\Sub\\b.dll", "nor this");
    if (!makeFolderLink(base, target)) GTEST_SKIP() << "no link to a folder can be made here";

    UninstallRecord listed;
    listed.keyPath = "Software\\" + installtest::UniqueName("NerroRemovalTest");
    listed.installationPath = base;
    listed.files = {base + "\\a.dll", base + "\\Sub\\b.dll", base + "\\gone.dll"};
    listed.folders = {base, base + "\\Sub"};
    const RemovalReport report = RemoveInstallation(HKEY_LOCAL_MACHINE, listed);

    EXPECT_EQ(installtest::ReadFileBytes(target + "\\a.dll"), "not the installation's");
    EXPECT_EQ(installtest::ReadFileBytes(target + "\\Sub\\b.dll"), "nor this");
    EXPECT_TRUE(FolderExists(target + "\\Sub"));
    std::vector<std::string> expected;
    for (const std::string& path : {base + "\\a.dll", base + "\\Sub\\b.dll", base + "\\Sub"})
        expected.push_back(path + " (reached through the link " + base +
                           ", which is not followed)");
    // The link itself is recorded, so it goes, alone; where the system would
    // not remove it apart from its target (Wine), it is named.
    if (FolderExists(base))
        expected.push_back(base +
                           " (a link, which the system would not remove apart from what it "
                           "leads to)");
    EXPECT_EQ(report.notRemoved, expected);
    EXPECT_TRUE(report.leftInPlace.empty());
    removeFolderLink(base);
}

}  // namespace
