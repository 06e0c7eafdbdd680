// An installation is one transaction: when it fails anywhere (a file, a full
// disk, a registry value), the drive and the registry are left byte for byte
// as they were, an older version of a replaced file included; a successful
// one leaves no backups behind. Installed files are written beside their
// target and replace the old one only when complete.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "install_worker_fixture.h"
#include "installer/file_replace.h"
#include "installer/install_record.h"
#include "platform/win_text.h"

namespace {

using installtest::ProductFixture;
using installtest::ReadFileBytes;
using installtest::ScopedRegKey;
using installtest::WriteFileBytes;

std::map<std::string, std::string> folderTree(const std::string& folder) {
    return installtest::FolderTree(folder);
}

// Every sub-key and value below root\path ("" when the key is missing).
void collectKey(HKEY root, const std::string& path, std::map<std::string, std::string>& tree) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
    tree[path + "\\"] = "<key>";
    for (const auto& [name, text] : installtest::ReadValues(root, path))
        tree[path + "\\[" + name + "]"] = text;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];  // a key name has at most 255 characters
        DWORD length = 256;
        if (RegEnumKeyExW(opened, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        collectKey(root, path + "\\" + Utf8(std::wstring_view(name, length)), tree);
    }
    RegCloseKey(opened);
}

struct Machine {
    std::map<std::string, std::string> files;  // the product fixture's folder
    std::map<std::string, std::string> keys;   // where the product writes
    bool shortcut = false;
};

// The write that fails: the file writer's WriteFile call given exactly these
// bytes writes half of them, then reports a full disk. Files are written on
// several threads, so a file is told by its bytes rather than by the order
// of the calls.
std::string failingBytes;

BOOL WINAPI writeUntilTheDiskIsFull(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written,
                                    LPOVERLAPPED overlapped) {
    if (std::string(static_cast<const char*>(bytes), size) != failingBytes)
        return WriteFile(file, bytes, size, written, overlapped);
    WriteFile(file, bytes, size / 2, written, overlapped);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

class FaultHook {
public:
    explicit FaultHook(const std::string& bytes) {
        failingBytes = bytes;
        SetWriteFileForTesting(&writeUntilTheDiskIsFull);
    }
    ~FaultHook() { SetWriteFileForTesting(nullptr); }
};

// A product of four files: one in a folder the installation creates, one that
// replaces an older version already installed, one with a shortcut, and the
// uninstall program. The installation folder exists and holds a file of the
// user's.
class RollbackTest : public ::testing::Test {
protected:
    void Prepare(ProductFixture& product) {
        // Every folder on the way: a deep installation folder is below
        // folders of the test's own.
        const std::string& folder = product.installationPath;
        for (size_t cut = folder.find('\\', product.root.Path().size() + 1);
             cut != std::string::npos; cut = folder.find('\\', cut + 1))
            ASSERT_TRUE(CreateDirectoryW(WidePath(folder.substr(0, cut)).c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(WidePath(folder).c_str(), nullptr));
        path_ = folder + "\\";
        relative_ = path_.substr(product.root.Path().size() + 1);
        WriteFileBytes(path_ + "Nerro.8bf", "version 1 of the plug-in");
        WriteFileBytes(path_ + "notes.txt", "the user's own notes");
        shortcut_ = product.Unique("Read me");
        product.Configure(product.General(4, 0, true) +
                          "[0]\nName=new\nCreate name=Filters\\New.8bf\nCan uninstall=1\n"
                          "[1]\nName=plugin\nCreate name=Nerro.8bf\nCan uninstall=1\n"
                          "[2]\nName=readme\nCreate name=readme.txt\nCan uninstall=1\n"
                          "Shortcut name=" + shortcut_ + "\n"
                          "[3]\nName=nerro-uninstall.exe\nCreate name=Uninstall.exe\n"
                          "Can uninstall=1\n");
        product.BuildPack({{"new", "new plug-in", kPackModeLz},
                           {"plugin", "version 2 of the plug-in", kPackModeBlock},
                           {"readme", "read me"},
                           {"nerro-uninstall.exe", "MZ uninstall program"}});
    }

    // The fixture's folder, and the keys the product writes from their
    // outermost part below "Software" or the list of installed programs on.
    Machine Look(const ProductFixture& product) const {
        Machine machine{folderTree(product.root.Path()), {},
                        installtest::FileExists(product.ShortcutFile(shortcut_))};
        const std::string recordTop =
            product.registryKey.substr(0, product.registryKey.find('\\', 9));
        const std::string entry = UninstallKeyPath(product.productName);
        const std::string entryTop = entry.substr(0, entry.find('\\', std::string(kUninstallKeyPrefix).size()));
        collectKey(HKEY_LOCAL_MACHINE, recordTop, machine.keys);
        collectKey(HKEY_LOCAL_MACHINE, entryTop, machine.keys);
        return machine;
    }

    void ExpectUnchanged(const Machine& before, const Machine& after) const {
        EXPECT_EQ(after.files, before.files);
        EXPECT_EQ(after.keys, before.keys);
        EXPECT_EQ(after.shortcut, before.shortcut);
        const auto old = after.files.find(relative_ + "Nerro.8bf");
        EXPECT_EQ(old == after.files.end() ? "" : old->second, "version 1 of the plug-in");
    }

    std::string path_;
    std::string relative_;  // path_ below the fixture's folder
    std::string shortcut_;
};

constexpr const char* kUndone = "Nothing was installed: the computer was left as it was before.";

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(RollbackTest, AFailedWriteAtTheFirstAMiddleOrTheLastFileUndoesEverything) {
    const struct {
        const char* where;
        const char* failingBytes;
        const char* file;
    } cases[] = {
        {"first file", "new plug-in", "Filters\\New.8bf"},
        {"middle file, replacing an older version", "version 2 of the plug-in", "Nerro.8bf"},
        {"last file", "MZ uninstall program", "Uninstall.exe"},
    };
    // In the fixture's folder, and in one whose path is over 300 characters
    // long (five components of 60), which goes to Windows in the long form.
    std::string deep;
    for (char letter : {'a', 'b', 'c', 'd', 'e'})
        deep += "\\" + std::string(60, letter);
    for (const auto& c : cases) {
        for (const bool deeper : {false, true}) {
            SCOPED_TRACE(std::string(c.where) + (deeper ? ", deep folder" : ""));
            ProductFixture product;
            if (deeper) product.installationPath = product.root.Path() + deep + "\\Nerro Product";
            Prepare(product);
            const Machine before = Look(product);
            InstallOutcome outcome;
            {
                FaultHook fault(c.failingBytes);
                outcome = product.InstallOnThread();
            }
            EXPECT_FALSE(outcome.succeeded);
            EXPECT_EQ(outcome.message.rfind("The file \"" + path_ + c.file + "\" could not be written (", 0),
                      0u)
                << outcome.message;
            EXPECT_TRUE(endsWith(outcome.message, kUndone)) << outcome.message;
            ExpectUnchanged(before, Look(product));
            EXPECT_FALSE(product.RecordExists());
            EXPECT_FALSE(product.UninstallEntryExists());
        }
    }
}

// A registry value that cannot be written fails the installation too: at its
// start (the record's own key) and at its very end (the uninstall entry,
// after every file). A non-volatile key cannot be made below a volatile one,
// which makes the write fail.
TEST_F(RollbackTest, AFailedRegistryWriteUndoesEverything) {
    for (const bool atTheEnd : {false, true}) {
        SCOPED_TRACE(atTheEnd ? "the uninstall entry" : "the install record");
        ProductFixture product;
        const std::string volatileName = installtest::UniqueName("NerroTest");
        const std::string volatileKey =
            atTheEnd ? kUninstallKeyPrefix + volatileName : "Software\\" + volatileName;
        ScopedRegKey scope(HKEY_LOCAL_MACHINE, volatileKey);
        ASSERT_TRUE(scope.Fresh());
        HKEY created = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(volatileKey).c_str(), 0, nullptr,
                                  REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &created, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(created);
        if (atTheEnd)
            product.productName = volatileName + "\\Product";
        else
            product.registryKey = volatileKey + "\\Product";
        Prepare(product);
        const Machine before = Look(product);

        const InstallOutcome outcome = product.InstallOnThread();
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.message.rfind("The install record could not be written in the registry (", 0),
                  0u)
            << outcome.message;
        EXPECT_TRUE(endsWith(outcome.message, kUndone)) << outcome.message;
        ExpectUnchanged(before, Look(product));
    }
}

TEST_F(RollbackTest, ASuccessfulInstallationLeavesNoBackupOrTemporaryFile) {
    ProductFixture product;
    Prepare(product);
    const InstallOutcome outcome = product.InstallOnThread();
    ASSERT_TRUE(outcome.succeeded) << outcome.message;
    std::map<std::string, std::string> expected = {
        {"Filters\\", "<folder>"},
        {"Filters\\New.8bf", "new plug-in"},
        {"Nerro.8bf", "version 2 of the plug-in"},
        {"notes.txt", "the user's own notes"},
        {"readme.txt", "read me"},
        {"Uninstall.exe", "MZ uninstall program"},
    };
    EXPECT_EQ(folderTree(product.installationPath), expected);
    EXPECT_EQ(product.UninstallEntry().at(kUninstallStringValue),
              "\"" + path_ + "Uninstall.exe\" " + product.registryKey);
}

// The installation folder as typed: made absolute and normal before anything
// is written; a path that is not a full one is refused.
TEST(InstallPath, TypedFolderIsNormalisedOrRefused) {
    ProductFixture product("NerroTypedPath");
    product.Configure(product.General(1, 0, false) + "[0]\nName=tool\nCreate name=tool.exe\n");
    product.BuildPack({{"tool", "MZ"}});
    for (const char* typed : {"Plug-ins", "\\Plug-ins", "C:Plug-ins"}) {
        product.run.installationPath = typed;
        const InstallOutcome outcome = product.InstallOnThread();
        EXPECT_FALSE(outcome.succeeded) << typed;
        EXPECT_EQ(outcome.message, "The folder \"" + std::string(typed) +
                                       "\" is not a full path (such as C:\\Program Files\\Product). "
                                       "Nothing was installed.");
        EXPECT_FALSE(product.RecordExists());
    }
    product.run.installationPath = product.root.Path() + "\\Other\\..\\.\\Nerro Product";
    const InstallOutcome outcome = product.InstallOnThread();
    ASSERT_TRUE(outcome.succeeded) << outcome.message;
    EXPECT_EQ(product.Record().at("Path"), product.installationPath + "\\");
    EXPECT_EQ(ReadFileBytes(product.installationPath + "\\tool.exe"), "MZ");
    EXPECT_FALSE(installtest::FolderExists(product.root.Path() + "\\Other"));
}

// A full disk while writing a file over an older one: the older one stays
// whole, and nothing half-written is left beside it.
TEST(FileReplace, AFullDiskKeepsTheOldFile) {
    installtest::TestFolder folder;
    const std::string target = folder / "plugin.8bf";
    WriteFileBytes(target, "the old version");
    const std::string fresh(100000, 'n');
    InstallJournal journal;
    {
        FaultHook fault(fresh);
        EXPECT_EQ(WriteFileReplacing(target, reinterpret_cast<const uint8_t*>(fresh.data()),
                                     static_cast<uint32_t>(fresh.size()), journal),
                  static_cast<DWORD>(ERROR_DISK_FULL));
    }
    EXPECT_EQ(folderTree(folder.Path()),
              (std::map<std::string, std::string>{{"plugin.8bf", "the old version"}}));
    EXPECT_TRUE(journal.Empty());

    // Written completely, it replaces the old one, which the journal keeps
    // until the end and puts back on rollback.
    ASSERT_EQ(WriteFileReplacing(target, reinterpret_cast<const uint8_t*>(fresh.data()),
                                 static_cast<uint32_t>(fresh.size()), journal),
              0u);
    EXPECT_EQ(ReadFileBytes(target), fresh);
    EXPECT_EQ(folderTree(folder.Path()).size(), 2u);  // the new file and the backup
    EXPECT_TRUE(journal.Rollback());
    EXPECT_EQ(folderTree(folder.Path()),
              (std::map<std::string, std::string>{{"plugin.8bf", "the old version"}}));
}

// Written ahead of its turn, a file is put in place later: over a file that
// came to stand there meanwhile (kept as a backup), or not at all.
TEST(FileReplace, APreparedFileTakesItsPlaceLaterOrIsDiscarded) {
    installtest::TestFolder folder;
    const std::string target = folder / "plugin.8bf";
    const std::string fresh = "the new version";
    const auto bytes = reinterpret_cast<const uint8_t*>(fresh.data());
    InstallJournal journal;
    PreparedFile prepared = WriteBeside(target, bytes, static_cast<uint32_t>(fresh.size()));
    ASSERT_FALSE(prepared.temporary.empty());
    EXPECT_FALSE(prepared.flushed);
    WriteFileBytes(target, "came meanwhile");
    ASSERT_EQ(PutInPlace(target, prepared, journal), 0u);
    EXPECT_EQ(folderTree(folder.Path()).size(), 2u);  // the new file and the backup
    EXPECT_EQ(ReadFileBytes(target), fresh);
    EXPECT_TRUE(journal.Rollback());
    EXPECT_EQ(folderTree(folder.Path()),
              (std::map<std::string, std::string>{{"plugin.8bf", "came meanwhile"}}));

    prepared = WriteBeside(target, bytes, static_cast<uint32_t>(fresh.size()));
    EXPECT_TRUE(prepared.flushed);
    EXPECT_EQ(folderTree(folder.Path()).size(), 2u);
    DiscardPrepared(prepared);
    EXPECT_EQ(folderTree(folder.Path()),
              (std::map<std::string, std::string>{{"plugin.8bf", "came meanwhile"}}));
    EXPECT_TRUE(journal.Empty());
}

}  // namespace
