// The install worker from a real pack onto the real file system, registry and
// shell: files, folders, shortcuts, the install record and the uninstall
// entry, and the refusals and stops of a configuration, a pack or a target
// that cannot be installed.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <string>
#include <vector>

#include "install_worker_fixture.h"
#include "installer/install_progress.h"
#include "installer/install_record.h"
#include "installer/installed_product.h"
#include "pack/pack_check.h"
#include "installer/shortcut.h"
#include "pack/pack_file.h"
#include "platform/win_handles.h"
#include "platform/win_text.h"

namespace {

using installtest::FileExists;
using installtest::FolderExists;
using installtest::PackItem;
using installtest::ProductFixture;
using installtest::ReadFileBytes;
using installtest::SampleBytes;
using Values = std::map<std::string, std::string>;

using LinkFields = installtest::ShortcutFields;

LinkFields readLink(const std::string& path) {
    return installtest::ReadShortcut(path);
}

bool nonDecreasing(const std::vector<int32_t>& values) {
    for (size_t i = 1; i < values.size(); ++i)
        if (values[i] < values[i - 1]) return false;
    return true;
}

// ---------------------------------------------------------------------------
// A complete product, installed with every decoded file kept in memory and
// with none kept (each decoded again for writing).

class FullInstallTest : public ::testing::TestWithParam<uint64_t> {};

TEST_P(FullInstallTest, FilesFoldersShortcutsRecordAndUninstallEntry) {
    ProductFixture product;
    const std::string windowsItem = product.Unique("win");
    const std::string systemItem = product.Unique("sys.dat");
    const std::string toolShortcut = product.Unique("Tool");
    const std::string systemShortcut = product.Unique("System file");
    product.Configure(
        product.General(5, 1, true) +
        "[0]\nName=plugin.8bf\nCreate name=Nerro.8bf\nCan uninstall=1\n"
        "[1]\nName=tool.exe\nCreate name=Sub\\Deep/Tool.exe\nShortcut name=" +
        toolShortcut +
        "\nArguments=/uninstall now\nCan uninstall=0x1\n"
        // Both folder flags: the Windows folder wins.
        "[2]\nName=win.dat\nCreate name=" +
        windowsItem +
        "\\win.dat\nTo windows folder=1\nTo system folder=1\nCan uninstall=1\n"
        // Not listed for removal, but its shortcut is.
        "[3]\nName=sys.dat\nCreate name=" +
        systemItem + "\nTo system folder=1\nCan uninstall=yes\nShortcut name=" + systemShortcut +
        "\n"
        "[4]\nName=nerro-uninstall.exe\nCreate name=Uninstall.exe\nCan uninstall=1\n");
    const std::string plugin = SampleBytes(300000, 1);
    const std::string tool = SampleBytes(70001, 2);
    const std::string uninstaller = SampleBytes(5000, 3);
    product.BuildPack({{"plugin.8bf", plugin, kPackModeBlock},
                       {"tool.exe", tool, kPackModeLz},
                       {"win.dat", "windows folder file", kPackModeStore},
                       {"sys.dat", "system folder file", kPackModeBlock},
                       {"nerro-uninstall.exe", uninstaller, kPackModeLz},
                       {"Nerro.ini", "not installed", kPackModeStore}});

    const InstallOutcome outcome = product.InstallOnThread(GetParam());
    ASSERT_TRUE(outcome.succeeded) << outcome.message;
    EXPECT_EQ(outcome.message, "");

    const std::string path = product.installationPath + "\\";
    const std::string windowsFolder = product.WindowsPath("");
    const std::string programs = ProgramsFolderPath() + "\\";
    EXPECT_EQ(product.run.installationPath, path);
    EXPECT_EQ(product.run.shortcutFolder, programs);

    // Byte-exact files, each in its target folder, with normal attributes.
    const struct {
        std::string path, bytes;
    } files[] = {
        {path + "Nerro.8bf", plugin},
        {path + "Sub\\Deep\\Tool.exe", tool},
        {windowsFolder + windowsItem + "\\win.dat", "windows folder file"},
        {product.SystemPath(systemItem), "system folder file"},
        {path + "Uninstall.exe", uninstaller},
    };
    for (const auto& file : files) {
        EXPECT_EQ(ReadFileBytes(file.path), file.bytes) << file.path;
        // Wine reports the archive attribute on every file; nothing else may be set.
        EXPECT_EQ(GetFileAttributesW(WidePath(file.path).c_str()) &
                      ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL),
                  0u)
            << file.path;
    }
    EXPECT_EQ(product.run.targetFolders[2], windowsFolder);
    EXPECT_EQ(product.run.targetFolders[3], product.SystemPath(""));
    EXPECT_FALSE(FileExists(path + "Nerro.ini"));

    // Shortcuts: target, the installation path as working folder, arguments.
    const LinkFields toolLink = readLink(product.ShortcutFile(toolShortcut));
    EXPECT_STRCASEEQ(toolLink.target.c_str(), (path + "Sub\\Deep\\Tool.exe").c_str());
    EXPECT_EQ(toolLink.workingFolder, path);
    EXPECT_EQ(toolLink.arguments, "/uninstall now");
    EXPECT_EQ(toolLink.description, toolShortcut);
    const LinkFields systemLink = readLink(product.ShortcutFile(systemShortcut));
    EXPECT_STRCASEEQ(systemLink.target.c_str(), product.SystemPath(systemItem).c_str());
    EXPECT_EQ(systemLink.workingFolder, path);

    EXPECT_EQ(product.Record(), (Values{
                                    {"0.folder", product.installationPath},
                                    {"1.folder", path + "Sub"},
                                    {"2.folder", path + "Sub\\Deep"},
                                    {"3.folder", windowsFolder + windowsItem},
                                    {"Path", path},
                                    {"Product", product.productName},
                                    {"0.file", path + "Nerro.8bf"},
                                    {"0.check", CheckText(packCheckValue(plugin.data(), plugin.size()))},
                                    {"1.file", path + "Sub\\Deep/Tool.exe"},
                                    {"1.check", CheckText(packCheckValue(tool.data(), tool.size()))},
                                    {"2.file", programs + toolShortcut + ".lnk"},
                                    {"3.file", windowsFolder + windowsItem + "\\win.dat"},
                                    {"3.check", CheckText(packCheckValue("windows folder file", 19))},
                                    {"4.file", programs + systemShortcut + ".lnk"},
                                    {"5.file", path + "Uninstall.exe"},
                                    {"5.check",
                                     CheckText(packCheckValue(uninstaller.data(), uninstaller.size()))},
                                    {"Main executable", path + "Sub\\Deep/Tool.exe"},
                                    {"0.regkey", UninstallKeyPath(product.productName)},
                                    {"1.regkey", product.registryKey},
                                }));
    EXPECT_EQ(product.UninstallEntry(),
              (Values{{"DisplayName", product.productName},
                      {"UninstallString", "\"" + path + "Uninstall.exe\" " + product.registryKey},
                      {"QuietUninstallString",
                       "\"" + path + "Uninstall.exe\" /S " + product.registryKey},
                      {"DisplayIcon", path + "Sub\\Deep/Tool.exe"},
                      {"InstallLocation", path},
                      {"EstimatedSize", "<type 4>"},
                      {"NoModify", "<type 4>"},
                      {"NoRepair", "<type 4>"}}));

    ASSERT_FALSE(product.progressSeen.empty());
    EXPECT_EQ(product.progressSeen.back(), 100);
    EXPECT_TRUE(nonDecreasing(product.progressSeen));
}

// Files are written on several threads while one places them in order:
// many files of many sizes, two of them to the same place (the later one
// wins, as one after the other), each exact and recorded with its own check
// value.
TEST_P(FullInstallTest, ManyFilesEachWrittenExactlyInTheirOrder) {
    ProductFixture product;
    constexpr int kFiles = 24;
    std::string ini = product.General(kFiles, 0, false);
    std::vector<PackItem> items;
    std::vector<std::string> bytes;
    const uint32_t modes[] = {kPackModeBlock, kPackModeLz, kPackModeZstd, kPackModeStore};
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "file" + std::to_string(i);
        // File 9 goes where file 3 went.
        const std::string target = i == 9 ? "Part3.bin" : "Part" + std::to_string(i) + ".bin";
        ini += "[" + std::to_string(i) + "]\nName=" + name + "\nCreate name=" +
               (i % 3 ? "" : "Sub" + std::to_string(i % 2) + "\\") + target + "\nCan uninstall=1\n";
        bytes.push_back(SampleBytes(static_cast<size_t>(1 + (i * 7919) % 40000 + (i == 5) * 300000),
                                    static_cast<uint32_t>(i + 10)));
        items.push_back({name, bytes.back(), modes[i % 4]});
    }
    product.Configure(ini);
    product.BuildPack(items);
    const InstallOutcome outcome = product.InstallOnThread(GetParam());
    ASSERT_TRUE(outcome.succeeded) << outcome.message;

    const std::string path = product.installationPath + "\\";
    const Values record = product.Record();
    for (int i = 0; i < kFiles; ++i) {
        SCOPED_TRACE(i);
        const std::string installed = product.run.targetFolders[i] +
                                      product.config.files[i].createName;
        const int winner = i == 3 ? 9 : i;
        EXPECT_EQ(ReadFileBytes(installed), bytes[winner]);
        EXPECT_EQ(record.at(std::to_string(i) + ".file"), installed);
        EXPECT_EQ(record.at(std::to_string(i) + ".check"),
                  CheckText(packCheckValue(bytes[i].data(), bytes[i].size())));
    }
    // Nothing beside them: no temporary file, no backup of the replaced one.
    int found = 0;
    for (const char* folder : {"", "Sub0\\", "Sub1\\"}) {
        WIN32_FIND_DATAW data;
        const HANDLE search = FindFirstFileW(WidePath(path + folder + "*.bin*").c_str(), &data);
        ASSERT_NE(search, INVALID_HANDLE_VALUE) << folder;
        do {
            ++found;
            EXPECT_EQ(Utf8(data.cFileName).find(".nerro-"), std::string::npos);
        } while (FindNextFileW(search, &data));
        FindClose(search);
    }
    EXPECT_EQ(found, kFiles - 1);
}

INSTANTIATE_TEST_SUITE_P(PayloadBudget, FullInstallTest,
                         ::testing::Values(kDefaultPayloadBudget, uint64_t{0}));

TEST(InstallWorker, OneFileWithoutMainExecutableValue) {
    ProductFixture product;
    product.Configure(product.General(1, 0, false) +
                      "[0]\nName=nerro-uninstall.exe\nCreate name=Remove.exe\n");
    product.BuildPack({{"nerro-uninstall.exe", "uninstall program", kPackModeBlock}});
    // The installation path arrives with its trailing backslash already.
    product.run.installationPath += "\\";
    const InstallOutcome outcome = product.InstallOnThread();
    ASSERT_TRUE(outcome.succeeded) << outcome.message;
    const std::string path = product.installationPath + "\\";
    EXPECT_EQ(ReadFileBytes(path + "Remove.exe"), "uninstall program");
    EXPECT_EQ(product.Record(), (Values{{"0.folder", product.installationPath},
                                        {"Path", path},
                                        {"Product", product.productName},
                                        {"0.regkey", UninstallKeyPath(product.productName)},
                                        {"1.regkey", product.registryKey}}));
    EXPECT_EQ(product.UninstallEntry().at("UninstallString"),
              "\"" + path + "Remove.exe\" " + product.registryKey);
    EXPECT_EQ(product.progressSeen.back(), 100);
}

DWORD readNumber(const std::string& key, const char* name) {
    DWORD number = 0xFFFFFFFF, size = sizeof number, type = 0;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return number;
    if (RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        number = 0xFFFFFFFF;
    RegCloseKey(opened);
    return number;
}

// The entry in the system's list of installed programs, with the optional
// keys given: named after "Product ID", the version, publisher and help link,
// the size of the installed files; the uninstall program's shortcut names the
// record whatever "Arguments" says.
TEST(InstallWorker, CompleteUninstallEntryAndAWorkingUninstallShortcut) {
    ProductFixture product;
    const std::string productId = product.Unique("Id");
    const std::string entryKey = UninstallKeyPath(productId);
    installtest::ScopedRegKey entryScope(HKEY_LOCAL_MACHINE, entryKey);
    ASSERT_TRUE(entryScope.Fresh());
    const std::string shortcut = product.Unique("Uninstall");
    product.Configure(product.General(2, 0, false) + "Version=2.2.1\nPublisher=Nerro Labs\n" +
                      "Product ID=" + productId + "\nHelp link=https://example.com/help\n" +
                      "[0]\nName=plugin\nCreate name=Nerro.8bf\nCan uninstall=1\n"
                      "[1]\nName=nerro-uninstall.exe\nCreate name=Uninstall.exe\nCan uninstall=1\n"
                      "Shortcut name=" + shortcut + "\nArguments=/wrong\n");
    product.BuildPack({{"plugin", SampleBytes(5000, 7)}, {"nerro-uninstall.exe", "MZ"}});
    const InstallOutcome outcome = product.InstallOnThread();
    ASSERT_TRUE(outcome.succeeded) << outcome.message;

    const std::string path = product.installationPath + "\\";
    EXPECT_FALSE(product.UninstallEntryExists());  // not under the product's name
    EXPECT_EQ(installtest::ReadValues(HKEY_LOCAL_MACHINE, entryKey),
              (Values{{"DisplayName", product.productName},
                      {"UninstallString", "\"" + path + "Uninstall.exe\" " + product.registryKey},
                      {"QuietUninstallString",
                       "\"" + path + "Uninstall.exe\" /S " + product.registryKey},
                      {"DisplayVersion", "2.2.1"},
                      {"Publisher", "Nerro Labs"},
                      {"URLInfoAbout", "https://example.com/help"},
                      {"DisplayIcon", path + "Uninstall.exe"},
                      {"InstallLocation", path},
                      {"EstimatedSize", "<type 4>"},
                      {"NoModify", "<type 4>"},
                      {"NoRepair", "<type 4>"}}));
    EXPECT_EQ(readNumber(entryKey, "EstimatedSize"), 5u);  // 5002 bytes, in KB rounded up
    EXPECT_EQ(readNumber(entryKey, "NoModify"), 1u);
    EXPECT_EQ(readNumber(entryKey, "NoRepair"), 1u);
    EXPECT_EQ(product.Record().at("0.regkey"), entryKey);
    EXPECT_EQ(readLink(product.ShortcutFile(shortcut)).arguments, product.registryKey);
}

TEST(InstallWorker, ExistingFoldersAreNotRecordedAndExistingFilesOverwritten) {
    ProductFixture product;
    ASSERT_TRUE(CreateDirectoryW(WidePath(product.installationPath).c_str(), nullptr));
    const std::string path = product.installationPath + "\\";
    const std::string existing = path + "Nerro.8bf";
    installtest::WriteFileBytes(existing, std::string(100000, 'o'));
    ASSERT_TRUE(
        SetFileAttributesW(WidePath(existing).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    product.Configure(product.General(2, 0, true) +
                      "[0]\nName=plugin\nCreate name=Nerro.8bf\nCan uninstall=1\n"
                      "[1]\nName=remove\nCreate name=Remove.exe\nCan uninstall=1\n");
    product.BuildPack({{"plugin", "new", kPackModeStore}, {"remove", "rm", kPackModeStore}});
    ASSERT_TRUE(product.InstallOnThread().succeeded);
    EXPECT_EQ(ReadFileBytes(existing), "new");
    EXPECT_EQ(GetFileAttributesW(WidePath(existing).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    const Values record = product.Record();
    EXPECT_EQ(record.count("0.folder"), 0u);
    EXPECT_EQ(record.at("0.file"), existing);
    EXPECT_EQ(record.at("Main executable"), existing);
}

TEST(InstallWorker, AShortcutThatCannotBeMadeIsRecordedAnyway) {
    ProductFixture product;
    // The shortcut's folder below the Programs folder does not exist.
    const std::string shortcut = product.Unique("No Group") + "\\Tool";
    product.Configure(product.General(1, 0, false) +
                      "[0]\nName=tool\nCreate name=tool.exe\nShortcut name=" + shortcut + "\n");
    product.BuildPack({{"tool", "MZ"}});
    const InstallOutcome outcome = product.InstallOnThread();
    ASSERT_TRUE(outcome.succeeded) << outcome.message;
    EXPECT_FALSE(FileExists(product.ShortcutFile(shortcut)));
    EXPECT_EQ(product.Record().at("0.file"), product.ShortcutFile(shortcut));
}

// A second run of the same product replaces the record: numbered from 0, the
// earlier run's values gone, its folders carried over, and the files it
// installed that this run does not removed (they are unchanged).
TEST(InstallWorker, ASecondRunReplacesTheRecordAndItsDroppedFiles) {
    ProductFixture product;
    product.Configure(product.General(3, 0, false) +
                      "[0]\nName=a\nCreate name=A\\a.txt\nCan uninstall=1\n"
                      "[1]\nName=b\nCreate name=b.txt\nCan uninstall=1\n"
                      "[2]\nName=c\nCreate name=c.txt\nCan uninstall=1\n");
    product.BuildPack({{"a", "a"}, {"b", "b"}, {"c", "c"}});
    ASSERT_TRUE(product.InstallOnThread().succeeded);
    // The second run lists one file and creates no folder.
    product.Configure(product.General(1, 0, false) +
                      "[0]\nName=c\nCreate name=c2.txt\nCan uninstall=1\n");
    ASSERT_TRUE(product.InstallOnThread().succeeded);
    const std::string path = product.installationPath + "\\";
    const Values record = product.Record();
    EXPECT_EQ(record, (Values{{"Path", path},
                              {"Product", product.productName},
                              {"0.file", path + "c2.txt"},
                              {"0.check", record.count("0.check") ? record.at("0.check") : "?"},
                              {"0.folder", product.installationPath},
                              {"1.folder", path + "A"},
                              {"0.regkey", UninstallKeyPath(product.productName)},
                              {"1.regkey", product.registryKey}}));
    EXPECT_EQ(record.at("0.check").size(), 8u);
    EXPECT_TRUE(FileExists(path + "c2.txt"));
    for (const char* dropped : {"A\\a.txt", "b.txt", "c.txt"})
        EXPECT_FALSE(FileExists(path + dropped)) << dropped;
    EXPECT_TRUE(FolderExists(path + "A"));
}

// ---------------------------------------------------------------------------
// Nothing at all is installed from a configuration the worker cannot follow
// or from a damaged pack.

void expectNothingInstalled(ProductFixture& product, const InstallOutcome& outcome) {
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_NE(outcome.message.find("Nothing was installed."), std::string::npos) << outcome.message;
    EXPECT_FALSE(FolderExists(product.installationPath));
    EXPECT_FALSE(product.RecordExists());
    EXPECT_FALSE(product.UninstallEntryExists());
    EXPECT_LT(product.progressSeen.back(), 100);
}

TEST(InstallRefusal, ConfigurationsThatCannotBeInstalled) {
    const struct {
        const char* what;
        int fileCount, mainExecutable;
        bool noProduct, noKey;
        const char* message;
    } cases[] = {
        {"empty list", 0, 0, false, false,
         "The installer cannot be used: the file list is empty (\"Number of files\" is 0). "
         "Nothing was installed."},
        {"negative count", -3, 0, false, false,
         "The installer cannot be used: the file list is empty (\"Number of files\" is -3). "
         "Nothing was installed."},
        {"main beyond the list", 2, 2, false, false,
         "The installer cannot be used: \"Main executable\" is 2, outside the file list (0 to "
         "1). Nothing was installed."},
        {"negative main", 1, -1, false, false,
         "The installer cannot be used: \"Main executable\" is -1, outside the file list (0 to "
         "0). Nothing was installed."},
        {"no product name", 1, 0, true, false,
         "The installer cannot be used: no \"Product name\" in [General]. Nothing was "
         "installed."},
        {"no registry key", 1, 0, false, true,
         "The installer cannot be used: no \"Registry key\" in [General]. Nothing was "
         "installed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProductFixture product;
        product.Configure(product.General(c.fileCount, c.mainExecutable, true) +
                          "[0]\nName=a\nCreate name=a.txt\n[1]\nName=b\nCreate name=b.txt\n");
        if (c.noProduct) product.config.settings.productName.clear();
        if (c.noKey) product.config.settings.registryKey.clear();
        product.BuildPack({{"a", "a"}, {"b", "b"}});
        const InstallOutcome outcome = product.InstallOnThread();
        EXPECT_EQ(outcome.message, c.message);
        expectNothingInstalled(product, outcome);
    }
}

// A name that would lead out of the installation folder, and a record key in
// the system's own trees: the installer refuses them before writing anything,
// so it never records a path the uninstall program would refuse to remove.
TEST(InstallRefusal, EscapingNamesAndSystemKeysInstallNothing) {
    ProductFixture product;
    product.Configure(product.General(1, 0, false) +
                      "[0]\nName=a\nCreate name=..\\..\\escaped-readme.txt\n");
    product.BuildPack({{"a", "escaped"}});
    InstallOutcome outcome = product.InstallOnThread();
    EXPECT_EQ(outcome.message,
              "The installer cannot be used: file [0]: \"Create name\" "
              "\"..\\..\\escaped-readme.txt\" holds a \"..\" component: it must stay inside the "
              "installation folder. Nothing was installed.");
    expectNothingInstalled(product, outcome);
    EXPECT_FALSE(FileExists(product.root.Path() + "\\..\\escaped-readme.txt"));

    product.Configure(product.General(1, 0, false) + "[0]\nName=a\nCreate name=a.txt\n");
    product.config.settings.registryKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    outcome = product.InstallOnThread();
    EXPECT_EQ(outcome.message,
              "The installer cannot be used: \"Registry key\" "
              "\"Software\\Microsoft\\Windows\\CurrentVersion\\Run\" lies in the system's own key "
              "\"Software\\Microsoft\". Nothing was installed.");
    expectNothingInstalled(product, outcome);
    EXPECT_EQ(installtest::ReadValues(HKEY_LOCAL_MACHINE, product.config.settings.registryKey)
                  .count(kRecordPathValue),
              0u);
}

// Overwrites bytes of an entry's stored data in the pack file.
void damageEntry(const std::string& packPath, const std::string& name, uint32_t at,
                 const std::string& bytes) {
    uint64_t position = 0;
    {
        TPackFile pack(packPath.c_str(), false);
        const TPackEntry* entry = pack.Find(name.c_str());
        ASSERT_NE(entry, nullptr);
        position = pack.GetPackBase() + entry->offset + at;
    }
    std::fstream file(packPath, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(position));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good());
}

TEST(InstallRefusal, DamagedPackInstallsNothing) {
    const struct {
        const char* what;
        uint32_t mode;
        bool present;
        std::string damage;  // written over the data's first bytes
        const char* message;
    } cases[] = {
        {"missing entry", kPackModeStore, false, "",
         "The installer is damaged: it does not hold the file \"last.dll\". Nothing was "
         "installed."},
        {"stored bytes changed", kPackModeStore, true, "XY",
         "The installer is damaged: the file \"last.dll\" does not match its check value. "
         "Nothing was installed."},
        {"block stream signature broken", kPackModeBlock, true, "XXXX",
         "The installer is damaged: the file \"last.dll\" cannot be unpacked. Nothing was "
         "installed."},
        // A first item that copies from before the start of the output.
        {"LZ stream corrupt", kPackModeLz, true, std::string(4, '\0'),
         "The installer is damaged: the file \"last.dll\" cannot be unpacked. Nothing was "
         "installed."},
        {"zstd frame magic broken", kPackModeZstd, true, "XXXX",
         "The installer is damaged: the file \"last.dll\" cannot be unpacked. Nothing was "
         "installed."},
        // The frame header's reserved bit set.
        {"zstd frame header broken", kPackModeZstd, true, "\x28\xB5\x2F\xFD\x08",
         "The installer is damaged: the file \"last.dll\" cannot be unpacked. Nothing was "
         "installed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProductFixture product;
        // The damaged entry comes last, so every other file would be written
        // already if the payload were not checked first.
        product.Configure(product.General(2, 0, true) +
                          "[0]\nName=first.dll\nCreate name=first.dll\nCan uninstall=1\n"
                          "[1]\nName=last.dll\nCreate name=last.dll\nCan uninstall=1\n");
        std::vector<PackItem> items = {{"first.dll", SampleBytes(5000, 7), kPackModeBlock}};
        if (c.present) items.push_back({"last.dll", SampleBytes(20000, 8), c.mode});
        installtest::WritePack(product.packPath, items);
        if (c.present) damageEntry(product.packPath, "last.dll", 0, c.damage);
        product.pack = std::make_unique<TPackFile>(product.packPath.c_str(), false);
        const InstallOutcome outcome = product.InstallOnThread();
        EXPECT_EQ(outcome.message, c.message);
        expectNothingInstalled(product, outcome);
    }
}

// The entries are checked side by side on the machine's cores; the fault
// named is that of the first damaged file in the list, though a later damaged
// entry is found long before it (the first is large and damaged at its end).
TEST(InstallRefusal, SeveralDamagedEntriesNameTheFirstInTheList) {
    ProductFixture product;
    std::string sections;
    const char* names[] = {"ok.dll", "large.dll", "small.dll", "stored.dll", "tail.dll"};
    for (int i = 0; i < 5; ++i)
        sections += "[" + std::to_string(i) + "]\nName=" + names[i] + "\nCreate name=" + names[i] +
                    "\nCan uninstall=1\n";
    product.Configure(product.General(5, 0, true) + sections);
    installtest::WritePack(product.packPath,
                           {{"ok.dll", SampleBytes(3000, 1), kPackModeBlock},
                            {"large.dll", SampleBytes(1500000, 2), kPackModeBlock},
                            {"small.dll", SampleBytes(2000, 3), kPackModeLz},
                            {"stored.dll", SampleBytes(4000, 4), kPackModeStore},
                            {"tail.dll", SampleBytes(1000, 5), kPackModeBlock}});
    uint32_t largeStored = 0;
    {
        TPackFile pack(product.packPath.c_str(), false);
        largeStored = pack.Find("large.dll")->storedSize;
    }
    damageEntry(product.packPath, "large.dll", largeStored - 40, "~~~~");
    damageEntry(product.packPath, "small.dll", 0, std::string(4, '\0'));
    damageEntry(product.packPath, "stored.dll", 10, "XY");
    product.pack = std::make_unique<TPackFile>(product.packPath.c_str(), false);
    const InstallOutcome outcome = product.InstallOnThread();
    EXPECT_EQ(outcome.message,
              "The installer is damaged: the file \"large.dll\" cannot be unpacked. Nothing was "
              "installed.");
    expectNothingInstalled(product, outcome);
}

TEST(InstallRefusal, AFileOnDiskDoesNotStandInForAMissingEntry) {
    ProductFixture product;
    // Extract would read a file of the entry's name from the current folder.
    std::vector<wchar_t> startFolder(GetCurrentDirectoryW(0, nullptr) + 1);
    GetCurrentDirectoryW(static_cast<DWORD>(startFolder.size()), startFolder.data());
    ASSERT_TRUE(SetCurrentDirectoryW(Wide(product.root.Path()).c_str()));
    installtest::WriteFileBytes(product.root / "loose.dll", "loose file");
    product.Configure(product.General(1, 0, true) + "[0]\nName=loose.dll\nCreate name=x.dll\n");
    product.BuildPack({{"other", "o"}});
    const InstallOutcome outcome = product.InstallOnThread();
    SetCurrentDirectoryW(startFolder.data());
    EXPECT_EQ(outcome.message,
              "The installer is damaged: it does not hold the file \"loose.dll\". Nothing was "
              "installed.");
    expectNothingInstalled(product, outcome);
}

// ---------------------------------------------------------------------------
// A target that cannot be written stops the installation, and what was made
// until then is undone.

TEST(InstallStop, UnwritableTargetStopsWithItsNameAndUndoesEverything) {
    const struct {
        const char* what;
        const char* blockedCreateName;
    } cases[] = {
        {"read-only file", "Locked.dll"},
        {"a file where a folder should be", "Blocker\\Inner.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProductFixture product;
        ASSERT_TRUE(CreateDirectoryW(WidePath(product.installationPath).c_str(), nullptr));
        const std::string path = product.installationPath + "\\";
        installtest::WriteFileBytes(path + "Locked.dll", "read-only bytes");
        ASSERT_TRUE(SetFileAttributesW(WidePath((path + "Locked.dll")).c_str(), FILE_ATTRIBUTE_READONLY));
        installtest::WriteFileBytes(path + "Blocker", "a file");
        product.Configure(product.General(3, 0, true) +
                          "[0]\nName=first\nCreate name=New\\first.dll\nCan uninstall=1\n"
                          "[1]\nName=second\nCreate name=" +
                          c.blockedCreateName +
                          "\nCan uninstall=1\n"
                          "[2]\nName=third\nCreate name=third.dll\nCan uninstall=1\n");
        product.BuildPack({{"first", "1"}, {"second", "2"}, {"third", "3"}});
        const InstallOutcome outcome = product.InstallOnThread();
        EXPECT_FALSE(outcome.succeeded);
        const std::string blocked = path + c.blockedCreateName;
        EXPECT_EQ(outcome.message.rfind("The file \"" + blocked + "\" could not be written (", 0),
                  0u)
            << outcome.message;
        EXPECT_NE(outcome.message.find("Nothing was installed: the computer was left as it was "
                                       "before."),
                  std::string::npos);

        EXPECT_FALSE(FolderExists(path + "New"));
        EXPECT_EQ(ReadFileBytes(path + "Locked.dll"), "read-only bytes");
        EXPECT_EQ(ReadFileBytes(path + "Blocker"), "a file");
        EXPECT_FALSE(FileExists(path + "third.dll"));
        EXPECT_FALSE(product.RecordExists());
        EXPECT_FALSE(product.UninstallEntryExists());
        EXPECT_LT(product.progressSeen.back(), 100);
    }
}

// ---------------------------------------------------------------------------

TEST(InstallProgressValue, SteadyForAnyNumberOfSteps) {
    const struct {
        std::vector<uint64_t> steps;
        std::vector<int32_t> values;
    } cases[] = {
        {{1}, {99}},
        {{50, 50}, {50, 99}},
        {{1, 1, 1, 1}, {25, 50, 75, 99}},
        {{10, 0, 30, 60}, {10, 10, 40, 99}},
    };
    for (const auto& c : cases) {
        std::atomic<int32_t> value{77};
        uint64_t total = 0;
        for (uint64_t step : c.steps)
            total += step;
        InstallProgress progress(value, total);
        EXPECT_EQ(value, 0);
        std::vector<int32_t> seen;
        for (uint64_t step : c.steps) {
            progress.Advance(step);
            seen.push_back(value);
        }
        EXPECT_EQ(seen, c.values);
        progress.Finish();
        EXPECT_EQ(value, 100);
    }
    // More work than announced never passes 99 before the end.
    std::atomic<int32_t> value{0};
    InstallProgress progress(value, 0);
    progress.Advance(5);
    EXPECT_EQ(value, 99);
}

}  // namespace
