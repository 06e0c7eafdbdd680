// The uninstall program's parts, called directly: its command line, reading
// and refusing install records, and the removal itself.
#include <gtest/gtest.h>

#include <string>

#include "install_test_support.h"
#include "installer/install_record.h"
#include "platform/kernel_handles.h"
#include "uninstaller/uninstall_command.h"
#include "uninstaller/uninstall_record.h"
#include "uninstaller/uninstall_remove.h"
#include "platform/win_text.h"

namespace {

using installtest::FileExists;
using installtest::FolderExists;
using installtest::KeyExists;
using installtest::ScopedRegKey;
using installtest::TestFolder;

TEST(UninstallCommandLine, SplitsProgramFromRecordKey) {
    TestFolder folder;
    const std::string programFolder = folder / "Nerro Product";
    ASSERT_TRUE(CreateDirectoryW(WidePath(programFolder).c_str(), nullptr));
    const std::string program = programFolder + "\\Uninstall.exe";
    installtest::WriteFileBytes(program, "MZ");
    std::string upper = program;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));

    const struct {
        std::string line;
        std::string key;
    } cases[] = {
        // As the uninstall entry writes it: neither part quoted, both with spaces.
        {program + " Software\\Vendor\\Product 1.0", "Software\\Vendor\\Product 1.0"},
        {programFolder + "\\Uninstall Software\\Vendor", "Software\\Vendor"},
        {upper + " Software\\Vendor", "Software\\Vendor"},
        {"\"" + program + "\" Software\\Quoted Key ", "Software\\Quoted Key"},
        // As the uninstall entry writes it today: the program's path quoted.
        {"\"" + program + "\" Software\\Vendor\\Product 1.0", "Software\\Vendor\\Product 1.0"},
        {"\"" + upper + "\" Software\\Vendor", "Software\\Vendor"},
        {"\"" + program + "\"", ""},
        {program + "  Software\\Spaced  ", "Software\\Spaced"},
        {program, ""},
        {program + " ", ""},
        // A program name that is not this file: the first space splits.
        {"Other.exe Software\\Key", "Software\\Key"},
    };
    for (const auto& c : cases) {
        const UninstallCommand command = ParseUninstallCommand(c.line, program);
        EXPECT_EQ(command.recordKey, c.key) << c.line;
        EXPECT_FALSE(command.continuation) << c.line;
    }
}

TEST(UninstallCommandLine, ContinuationCarriesHandleAndKey) {
    const std::string line = ContinuationCommand("C:\\Temp dir\\copy.exe", 1234, "Software\\A B");
    EXPECT_EQ(line, "\"C:\\Temp dir\\copy.exe\" /continue 1234 Software\\A B");
    const UninstallCommand command = ParseUninstallCommand(line, "C:\\Temp dir\\copy.exe");
    EXPECT_TRUE(command.continuation);
    EXPECT_EQ(command.waitHandle, 1234u);
    EXPECT_EQ(command.recordKey, "Software\\A B");
    // Without a number it is no continuation, only an odd key.
    EXPECT_FALSE(ParseUninstallCommand("\"x.exe\" /continue Software\\K", "x.exe").continuation);
}

TEST(UninstallCommandLine, ContinuationWithTheCopysHandles) {
    ContinuationHandles handles;
    handles.firstProcess = 12;
    handles.copyFile = 340;
    handles.copyFolder = 5678;
    const std::string line = ContinuationCommand("C:\\Temp\\copy.exe", handles, "Software\\A B");
    EXPECT_EQ(line, "\"C:\\Temp\\copy.exe\" /continue 12,340,5678 Software\\A B");

    const struct {
        std::string line;
        bool continuation;
        uintptr_t wait, file, folder;
        std::string key;
    } cases[] = {
        {line, true, 12, 340, 5678, "Software\\A B"},
        {"\"x.exe\" /continue 7 Software\\K", true, 7, 0, 0, "Software\\K"},
        // The copy's handles come both or not at all.
        {"\"x.exe\" /continue 7,8 Software\\K", false, 0, 0, 0, "/continue 7,8 Software\\K"},
        {"\"x.exe\" /continue 7,0,9 Software\\K", false, 0, 0, 0, "/continue 7,0,9 Software\\K"},
        {"\"x.exe\" /continue 7,8,9,10 Software\\K", false, 0, 0, 0,
         "/continue 7,8,9,10 Software\\K"},
    };
    for (const auto& c : cases) {
        const UninstallCommand command = ParseUninstallCommand(c.line, "x.exe");
        EXPECT_EQ(command.continuation, c.continuation) << c.line;
        EXPECT_EQ(command.waitHandle, c.wait) << c.line;
        EXPECT_EQ(command.copyFile, c.file) << c.line;
        EXPECT_EQ(command.copyFolder, c.folder) << c.line;
        EXPECT_EQ(command.recordKey, c.key) << c.line;
    }
}

TEST(RecordedPaths, NormalFormAndRemovability) {
    const struct {
        const char* recorded;
        const char* normal;
        bool removable;
    } cases[] = {
        {"C:\\Programs\\\\Nerro.lnk", "C:\\Programs\\Nerro.lnk", true},
        {"C:\\Nerro/Sub\\", "C:\\Nerro\\Sub", true},
        {"\\\\server\\share\\Nerro\\x.dll", "\\\\server\\share\\Nerro\\x.dll", true},
        {"\\\\\\server\\\\share\\a", "\\\\server\\share\\a", true},
        {"C:\\", "C:\\", false},
        {"C:", "C:", false},
        {"\\\\server\\share", "\\\\server\\share", false},
        {"Nerro\\x.dll", "Nerro\\x.dll", false},
        {"\\Nerro\\x.dll", "\\Nerro\\x.dll", false},
        {"C:\\Nerro\\..\\Windows", "C:\\Nerro\\..\\Windows", false},
        {"C:\\Nerro\\.\\x", "C:\\Nerro\\.\\x", false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        const std::string normal = NormalRecordedPath(c.recorded);
        EXPECT_EQ(normal, c.normal) << c.recorded;
        EXPECT_EQ(IsRemovablePath(normal), c.removable) << c.recorded;
    }
}

std::string testKey() {
    return "Software\\" + installtest::UniqueName("NerroRecordTest") + "\\Product";
}

TEST(UninstallRecordRead, ListsInNumberOrderAndNormalForm) {
    ScopedRegKey key(HKEY_LOCAL_MACHINE, testKey());
    ASSERT_TRUE(key.Fresh());
    key.SetString("Path", "C:\\Nerro\\");
    key.SetString("Product", "Nerro 1.0");
    key.SetString("0.folder", "C:\\Nerro");
    key.SetString("1.folder", "C:\\Nerro\\Sub");
    key.SetString("2.file", "C:\\Nerro\\b.dll");
    key.SetString("10.file", "C:\\Programs\\\\Nerro.lnk");
    key.SetString("0.file", "C:\\Nerro\\Sub/a.dll");
    key.SetString("Main executable", "C:\\Nerro\\b.dll");
    key.SetString("0.regkey", std::string(kUninstallKeyPrefix) + "Nerro 1.0");
    key.SetString("1.regkey", key.Path());
    // Not the installer's: ignored.
    key.Set("Installed", REG_DWORD, std::string(4, '\1'));
    key.SetString("x.file", "relative");

    const RecordRead read = ReadUninstallRecord(HKEY_LOCAL_MACHINE, key.Path() + "\\");
    ASSERT_EQ(read.status, RecordStatus::Ok) << read.problem;
    const UninstallRecord& record = read.record;
    EXPECT_EQ(record.keyPath, key.Path());
    EXPECT_EQ(record.product, "Nerro 1.0");
    EXPECT_EQ(record.installationPath, "C:\\Nerro");
    EXPECT_EQ(record.files, (std::vector<std::string>{"C:\\Nerro\\Sub\\a.dll", "C:\\Nerro\\b.dll",
                                                      "C:\\Programs\\Nerro.lnk"}));
    EXPECT_EQ(record.folders, (std::vector<std::string>{"C:\\Nerro", "C:\\Nerro\\Sub"}));
    EXPECT_EQ(
        record.registryKeys,
        (std::vector<std::string>{std::string(kUninstallKeyPrefix) + "Nerro 1.0", key.Path()}));
}

TEST(UninstallRecordRead, MissingRecord) {
    EXPECT_EQ(ReadUninstallRecord(HKEY_LOCAL_MACHINE, testKey()).status, RecordStatus::Missing);
    EXPECT_EQ(ReadUninstallRecord(HKEY_LOCAL_MACHINE, "").status, RecordStatus::Missing);
    EXPECT_EQ(ReadUninstallRecord(HKEY_LOCAL_MACHINE, "\\").status, RecordStatus::Missing);
}

TEST(UninstallRecordRead, DamagedRecordsAreRefused) {
    const struct {
        const char* name;
        DWORD type;
        std::string data;
        const char* problem;
    } cases[] = {
        {"Path", REG_DWORD, std::string(4, '\0'), "the value \"Path\" is not text"},
        {"Path", REG_SZ, "Nerro\\", "\"Path\" is not a full path to a folder"},
        {"Product", REG_BINARY, "xy", "the value \"Product\" is not text"},
        {"0.file", REG_EXPAND_SZ, "%WINDIR%\\x.dll", "the value \"0.file\" is not text"},
        {"0.file", REG_SZ, "x.dll", "\"0.file\" is not a full path to a file or folder"},
        {"3.file", REG_SZ, "C:\\Nerro\\..\\Windows\\x.dll",
         "\"3.file\" is not a full path to a file or folder"},
        {"0.folder", REG_SZ, "C:\\", "\"0.folder\" is not a full path to a file or folder"},
        {"0.regkey", REG_SZ, "SOFTWARE\\Microsoft",
         "\"0.regkey\" names a registry key that is not the product's"},
        {"0.regkey", REG_SZ, kUninstallKeyPrefix,
         "\"0.regkey\" names a registry key that is not the product's"},
        {"1.regkey", REG_SZ, "Software\\Another",
         "\"1.regkey\" names a registry key that is not the product's"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + (": " + c.data));
        ScopedRegKey key(HKEY_LOCAL_MACHINE, testKey());
        key.SetString("Path", "C:\\Nerro\\");
        key.SetString("0.file", "C:\\Nerro\\a.dll");
        key.Set(c.name, c.type, c.data);
        const RecordRead read = ReadUninstallRecord(HKEY_LOCAL_MACHINE, key.Path());
        EXPECT_EQ(read.status, RecordStatus::Damaged);
        EXPECT_EQ(read.problem, c.problem);
        EXPECT_TRUE(read.record.files.empty());
    }
    ScopedRegKey noPath(HKEY_LOCAL_MACHINE, testKey());
    noPath.SetString("0.file", "C:\\Nerro\\a.dll");
    const RecordRead read = ReadUninstallRecord(HKEY_LOCAL_MACHINE, noPath.Path());
    EXPECT_EQ(read.status, RecordStatus::Damaged);
    EXPECT_EQ(read.problem, "it holds no \"Path\" value");
}

// A hand-made installation removed by RemoveInstallation.
TEST(UninstallRemoval, RemovesWhatIsListedAndOnlyThat) {
    TestFolder folder;
    const std::string base = folder / "Nerro";
    for (const char* sub : {"", "\\Sub", "\\Sub\\Deep", "\\Empty", "\\Kept"})
        ASSERT_TRUE(CreateDirectoryW(WidePath((base + sub)).c_str(), nullptr));
    for (const char* file : {"\\a.dll", "\\Sub\\b.dll", "\\Sub\\Deep\\c.dll", "\\Kept\\d.dll"})
        installtest::WriteFileBytes(base + file, "installed");
    ASSERT_TRUE(SetFileAttributesW(WidePath((base + "\\a.dll")).c_str(), FILE_ATTRIBUTE_READONLY));
    // The user's own: a file in a recorded folder, one beside an installed
    // file that is not listed, and a folder of the user's.
    installtest::WriteFileBytes(base + "\\Sub\\Deep\\notes.txt", "mine");
    ASSERT_TRUE(CreateDirectoryW(WidePath((base + "\\Sub\\Mine")).c_str(), nullptr));

    const std::string product = installtest::UniqueName("NerroRemovalTest");
    ScopedRegKey parent(HKEY_LOCAL_MACHINE, "Software\\" + product);
    ASSERT_TRUE(parent.Fresh());
    const std::string recordKey = parent.Path() + "\\Vendor\\Product";
    const std::string entryKey = kUninstallKeyPrefix + product;
    ScopedRegKey record(HKEY_LOCAL_MACHINE, recordKey);
    record.SetString("Path", base + "\\");
    ScopedRegKey entry(HKEY_LOCAL_MACHINE, entryKey);
    entry.SetString("DisplayName", product);

    UninstallRecord listed;
    listed.keyPath = recordKey;
    listed.product = product;
    listed.installationPath = base;
    listed.files = {base + "\\a.dll", base + "\\Sub\\b.dll", base + "\\Sub\\Deep\\c.dll",
                    base + "\\gone.dll"};
    listed.folders = {base, base + "\\Sub", base + "\\Sub\\Deep", base + "\\Empty"};
    listed.registryKeys = {entryKey, recordKey};

    const RemovalReport report = RemoveInstallation(HKEY_LOCAL_MACHINE, listed);
    EXPECT_TRUE(report.notRemoved.empty());
    EXPECT_EQ(report.leftInPlace, (std::vector<std::string>{base + "\\Kept", base + "\\Sub\\Mine",
                                                            base + "\\Sub\\Deep\\notes.txt"}));
    for (const char* gone : {"\\a.dll", "\\Sub\\b.dll", "\\Sub\\Deep\\c.dll"})
        EXPECT_FALSE(FileExists(base + gone)) << gone;
    EXPECT_FALSE(FolderExists(base + "\\Empty"));
    EXPECT_EQ(installtest::ReadFileBytes(base + "\\Sub\\Deep\\notes.txt"), "mine");
    EXPECT_EQ(installtest::ReadFileBytes(base + "\\Kept\\d.dll"), "installed");
    EXPECT_TRUE(FolderExists(base + "\\Sub\\Mine"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entryKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, recordKey));
    // The record's parents were empty, so they went too; "Software" stays.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, parent.Path()));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software"));

    const std::string summary = RemovalSummary(product, report);
    EXPECT_EQ(summary.rfind(product + " was removed, except for what is listed here.", 0), 0u);
    EXPECT_NE(summary.find(base + "\\Sub\\Deep\\notes.txt"), std::string::npos);
}

TEST(UninstallRemoval, AFileInUseIsNamedOnceAndItsFolderStays) {
    TestFolder folder;
    const std::string base = folder / "Nerro";
    ASSERT_TRUE(CreateDirectoryW(WidePath(base).c_str(), nullptr));
    const std::string busy = base + "\\busy.dll";
    installtest::WriteFileBytes(busy, "in use");
    // Open without sharing deletion, as a running program holds its file.
    const UniqueHandle open(CreateFileW(WidePath(busy).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(open);
    const std::string recordKey = testKey();
    ScopedRegKey record(HKEY_LOCAL_MACHINE, recordKey);
    record.SetString("Path", base + "\\");

    UninstallRecord listed;
    listed.keyPath = recordKey;
    listed.files = {busy};
    listed.folders = {base};
    const RemovalReport report = RemoveInstallation(HKEY_LOCAL_MACHINE, listed);
    ASSERT_EQ(report.notRemoved.size(), 1u);
    EXPECT_EQ(report.notRemoved[0].rfind(busy + " (", 0), 0u) << report.notRemoved[0];
    EXPECT_TRUE(report.leftInPlace.empty());
    EXPECT_TRUE(FileExists(busy));
    EXPECT_TRUE(FolderExists(base));
    const std::string summary = RemovalSummary("Nerro", report);
    EXPECT_EQ(summary.rfind("Nerro was removed, except for what is listed here.\n\nCould not be "
                            "removed:\n" +
                                busy + " (",
                            0),
              0u)
        << summary;
}

TEST(UninstallRemoval, ParentKeysInUseStayAndSoDoesAnUnlistedKey) {
    const std::string vendor = "Software\\" + installtest::UniqueName("NerroRemovalTest");
    ScopedRegKey scope(HKEY_LOCAL_MACHINE, vendor);
    scope.SetString("Vendor setting", "kept");
    const std::string recordKey = vendor + "\\Product";
    ScopedRegKey record(HKEY_LOCAL_MACHINE, recordKey);
    record.SetString("Path", "C:\\NoSuchNerro\\");
    ScopedRegKey other(HKEY_LOCAL_MACHINE, kUninstallKeyPrefix + installtest::UniqueName("Other"));
    other.SetString("DisplayName", "Other");

    UninstallRecord listed;
    listed.keyPath = recordKey;
    listed.registryKeys = {recordKey};
    const RemovalReport report = RemoveInstallation(HKEY_LOCAL_MACHINE, listed);
    EXPECT_TRUE(report.Complete());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, recordKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, vendor));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, other.Path()));
    EXPECT_EQ(RemovalSummary("", report), "The product was removed.");
}

}  // namespace
