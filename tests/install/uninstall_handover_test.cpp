// The hand-over to a temporary copy: its private folder, and a program that
// races to swap the copy before it starts.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "install_worker_fixture.h"
#include "platform/kernel_handles.h"
#include "uninstall_product.h"
#include "uninstall_run_support.h"
#include "uninstaller/uninstall_private_folder.h"
#include "platform/win_text.h"

namespace {

using installtest::FileExists;
using installtest::FolderExists;

std::string temporaryFolder() {
    std::string folder = TempFolder();
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

// What another program of the same user can try on whatever the hand-over
// puts into the temporary folder, from the moment it appears: rename it away
// and put its own program (or folder with program) under the name, or delete
// it and do the same. Runs on its own thread until Stop.
class CopyRacer {
public:
    CopyRacer() : temp_(temporaryFolder()), thread_([this] { run(); }) {}
    ~CopyRacer() { Stop(); }

    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int Attempts() const { return attempts_; }
    // What the racer managed to swap.
    std::vector<std::string> Swapped() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return swapped_;
    }

private:
    void plant(const std::string& path, bool folder) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            swapped_.push_back(path);
        }
        if (folder) CreateDirectoryW(WidePath(path).c_str(), nullptr);
        const UniqueHandle racer(CreateFileW(WidePath((folder ? path + "\\nerro-uninstall.exe" : path)).c_str(),
                                             GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD written = 0;
        if (racer) WriteFile(racer.Get(), "MZ racer", 8, &written, nullptr);
    }

    void attack(const std::string& path, bool folder) {
        ++attempts_;
        if (MoveFileExW(WidePath(path).c_str(), WidePath((path + "-racer")).c_str(), 0)) {
            plant(path, folder);
            return;
        }
        if (!folder && DeleteFileW(WidePath(path).c_str())) plant(path, folder);
    }

    // Entries of pattern that the racer did not make itself.
    static std::vector<std::pair<std::string, bool>> entries(const std::string& folder,
                                                             const std::string& pattern) {
        std::vector<std::pair<std::string, bool>> found;
        WIN32_FIND_DATAW entry;
        const HANDLE search = FindFirstFileW(WidePath(folder + "\\" + pattern).c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) return found;
        do {
            const std::string name = Utf8(entry.cFileName);
            if (name == "." || name == ".." || name.find("racer") != std::string::npos) continue;
            found.emplace_back(folder + "\\" + name,
                               (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
        return found;
    }

    void run() {
        while (!stop_) {
            for (const auto& [path, folder] : entries(temp_, "nerro-uninstall-*")) {
                if (folder)
                    for (const auto& [inner, innerFolder] : entries(path, "*"))
                        attack(inner, innerFolder);
                attack(path, folder);
            }
            Sleep(0);
        }
    }

    const std::string temp_;
    std::atomic<bool> stop_{false};
    std::atomic<int> attempts_{0};
    std::mutex mutex_;
    std::vector<std::string> swapped_;
    std::thread thread_;
};

TEST(UninstallHandover, ARacingProgramCannotSwapTheTemporaryCopy) {
    const int copiesBefore = installtest::TemporaryCopies();
    installtest::ProductFixture product("NerroRoundTrip");
    installtest::ConfigureUninstallableProduct(product);
    ASSERT_TRUE(product.InstallOnThread().succeeded);

    CopyRacer racer;
    const std::vector<installtest::SeenMessage> messages =
        installtest::RunAndAnswer(product.UninstallEntry().at("UninstallString"), true);
    racer.Stop();

    EXPECT_GT(racer.Attempts(), 0);
    EXPECT_EQ(racer.Swapped(), std::vector<std::string>());
    // The copy that ran was ours: it removed the installation, the installed
    // program and its folder included, and said so.
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, product.productName + " was removed.");
    EXPECT_FALSE(FileExists(product.installationPath + "\\Uninstall.exe"));
    EXPECT_FALSE(FolderExists(product.installationPath));
    EXPECT_FALSE(product.RecordExists());
    EXPECT_EQ(installtest::TemporaryCopies(), copiesBefore);
}

// What the system reads from security text: whether the access list is
// protected from the parent's entries, and each entry as account, rights and
// inheritance; empty when the text is not valid.
struct ReadSecurity {
    bool valid = false;
    bool protectedList = false;
    std::string owner;
    std::vector<std::string> entries;  // "<account> <rights in hex> <inheritance flags>"
};

std::string sidText(PSID sid) {
    char* text = nullptr;
    if (!sid || !ConvertSidToStringSidA(sid, &text)) return {};
    const std::string result = text;
    LocalFree(text);
    return result;
}

ReadSecurity readSecurity(const std::string& sddl) {
    ReadSecurity read;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        return read;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    PSID owner = nullptr;
    if (GetSecurityDescriptorControl(descriptor, &control, &revision) &&
        GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) && present && list &&
        GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) {
        read.valid = true;
        read.protectedList = (control & SE_DACL_PROTECTED) != 0;
        read.owner = sidText(owner);
        for (DWORD index = 0; index < list->AceCount; ++index) {
            ACCESS_ALLOWED_ACE* entry = nullptr;
            if (!GetAce(list, index, reinterpret_cast<void**>(&entry))) continue;
            char rights[32];
            std::snprintf(rights, sizeof rights, " %lx %x",
                          static_cast<unsigned long>(entry->Mask), entry->Header.AceFlags);
            read.entries.push_back(
                (entry->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? "" : "not allowed ") +
                sidText(&entry->SidStart) + rights);
        }
    }
    LocalFree(descriptor);
    return read;
}

TEST(UninstallPrivateFolder, AccessOnlyForSystemAdministratorsAndTheUnelevatedUser) {
    // FILE_ALL_ACCESS, inherited by files and folders created inside.
    const std::string full = " 1f01ff 3";
    const std::string user = "S-1-5-21-1004336348-1177238915-682003330-512";
    const struct {
        bool elevated;
        const char* owner;  // "" for the creator's default
        std::vector<std::string> entries;
    } cases[] = {
        {false, "", {"S-1-5-18" + full, "S-1-5-32-544" + full, user + full}},
        {true, "S-1-5-32-544", {"S-1-5-18" + full, "S-1-5-32-544" + full}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.elevated ? "elevated" : "not elevated");
        const ReadSecurity read = readSecurity(PrivateFolderSecurity(c.elevated, user));
        ASSERT_TRUE(read.valid);
        EXPECT_TRUE(read.protectedList);
        EXPECT_EQ(read.owner, c.owner);
        EXPECT_EQ(read.entries, c.entries);
    }
}

TEST(UninstallPrivateFolder, PinnedUntilDeleted) {
    installtest::TestFolder parent;
    PrivateFolder folder = CreatePrivateFolder(parent.Path(), "nerro-uninstall-");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder.path.rfind(parent.Path() + "\\nerro-uninstall-", 0), 0u) << folder.path;
    ASSERT_TRUE(FolderExists(folder.path));

    // A second folder of the same prefix gets another name.
    PrivateFolder second = CreatePrivateFolder(parent.Path(), "nerro-uninstall-");
    ASSERT_TRUE(second);
    EXPECT_NE(second.path, folder.path);
    EXPECT_TRUE(DeletePrivateFolder(second.handle.Release()));
    EXPECT_FALSE(FolderExists(second.path));

    // While the handle is open, the folder can be neither renamed nor removed.
    EXPECT_FALSE(MoveFileExW(WidePath(folder.path).c_str(), WidePath((folder.path + "-moved")).c_str(), 0));
    EXPECT_FALSE(RemoveDirectoryW(WidePath(folder.path).c_str()));
    EXPECT_TRUE(FolderExists(folder.path));
    EXPECT_FALSE(FolderExists(folder.path + "-moved"));
    EXPECT_TRUE(DeletePrivateFolder(folder.handle.Release()));
    EXPECT_FALSE(FolderExists(folder.path));
}

}  // namespace
