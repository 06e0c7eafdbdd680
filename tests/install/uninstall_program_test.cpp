// nerro-uninstall.exe itself, started as the uninstall entry says after a
// real installation, its message boxes answered by the test.
#include <gtest/gtest.h>

#include <string>

#include "install_worker_fixture.h"
#include "installer/install_record.h"
#include "uninstall_run_support.h"

namespace {

using installtest::FileExists;
using installtest::FolderExists;
using installtest::ProductFixture;
using installtest::SeenMessage;

std::string uninstallProgramBytes() {
    const std::string bytes = installtest::ReadFileBytes(NERRO_UNINSTALL_EXE);
    EXPECT_GT(bytes.size(), 1000u) << NERRO_UNINSTALL_EXE;
    return bytes;
}

std::string programFilesFolder() {
    char path[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA("ProgramFiles", path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? path : "C:\\Program Files";
}

// Copies of the program that its hand-over left in the temporary folder.
int temporaryCopies() {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    int count = 0;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((std::string(temp) + "nerro-uninstall-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do
        ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// A small product whose last file is the real uninstall program.
void configureProduct(ProductFixture& product) {
    const std::string filtersShortcut = product.Unique("Filters");
    const std::string removeShortcut = product.Unique("Remove");
    product.Configure(product.General(3, 0, true) +
                      "[0]\nName=plugin.8bf\nCreate name=Filters\\Deep\\Nerro.8bf\n"
                      "Can uninstall=1\nShortcut name=" +
                      filtersShortcut +
                      "\n"
                      "[1]\nName=readme.txt\nCreate name=" +
                      product.Unique("doc") +
                      "\\readme.txt\nTo windows folder=1\nCan uninstall=1\n"
                      "[2]\nName=nerro-uninstall.exe\nCreate name=Uninstall.exe\nCan uninstall=1\n"
                      "Shortcut name=" +
                      removeShortcut + "\n");
    product.BuildPack({{"plugin.8bf", installtest::SampleBytes(200000, 11), kPackModeBlock},
                       {"readme.txt", "Read me.", kPackModeStore},
                       {"nerro-uninstall.exe", uninstallProgramBytes(), kPackModeLz}});
}

struct Snapshot {
    std::set<std::string> drive, machine, user;
};

Snapshot takeSnapshot() {
    return {installtest::DriveSnapshot("C:"),
            installtest::RegistrySnapshot(HKEY_LOCAL_MACHINE, "HKLM"),
            installtest::RegistrySnapshot(HKEY_CURRENT_USER, "HKCU")};
}

TEST(UninstallProgram, RoundTripLeavesDriveAndRegistryAsBefore) {
    const int copiesBefore = temporaryCopies();
    const Snapshot before = takeSnapshot();
    ProductFixture product("NerroRoundTrip", programFilesFolder());
    configureProduct(product);
    const InstallOutcome outcome = product.InstallOnThread();
    ASSERT_TRUE(outcome.succeeded) << outcome.message;
    const Snapshot installed = takeSnapshot();
    ASSERT_NE(installed.drive, before.drive);
    ASSERT_NE(installed.machine, before.machine);

    const std::string command = product.UninstallEntry().at("UninstallString");
    ASSERT_EQ(command,
              "\"" + product.installationPath + "\\Uninstall.exe\" " + product.registryKey);
    const std::vector<SeenMessage> messages = installtest::RunAndAnswer(command, true);

    const Snapshot after = takeSnapshot();
    EXPECT_EQ(installtest::SnapshotDifference(before.drive, after.drive), "");
    EXPECT_EQ(installtest::SnapshotDifference(before.machine, after.machine), "");
    EXPECT_EQ(installtest::SnapshotDifference(before.user, after.user), "");
    EXPECT_EQ(temporaryCopies(), copiesBefore);

    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].question);
    EXPECT_EQ(messages[0].caption, product.productName + " Uninstall");
    EXPECT_EQ(messages[0].text, "Remove " + product.productName + " and all of its components?");
    EXPECT_FALSE(messages[1].question);
    EXPECT_EQ(messages[1].text, product.productName + " was removed.");
}

TEST(UninstallProgram, FilesTheUserAddedStayWithTheirFolders) {
    ProductFixture product("NerroRoundTrip");
    configureProduct(product);
    ASSERT_TRUE(product.InstallOnThread().succeeded);
    const std::string path = product.installationPath + "\\";
    const std::string mine = path + "Filters\\Deep\\my settings.txt";
    installtest::WriteFileBytes(mine, "the user's own");

    const std::vector<SeenMessage> messages =
        installtest::RunAndAnswer(product.UninstallEntry().at("UninstallString"), true);

    EXPECT_EQ(installtest::ReadFileBytes(mine), "the user's own");
    EXPECT_FALSE(FileExists(path + "Filters\\Deep\\Nerro.8bf"));
    EXPECT_FALSE(FileExists(path + "Uninstall.exe"));
    EXPECT_FALSE(FileExists(product.ShortcutFile(product.Unique("Filters"))));
    EXPECT_FALSE(FolderExists(product.WindowsPath(product.Unique("doc"))));
    EXPECT_FALSE(product.RecordExists());
    EXPECT_FALSE(product.UninstallEntryExists());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, product.productName +
                                    " was removed, except for what is listed here.\n\n"
                                    "Not installed with the product, so left in place:\n" +
                                    mine);
}

TEST(UninstallProgram, AnsweringNoRemovesNothing) {
    ProductFixture product("NerroRoundTrip");
    configureProduct(product);
    ASSERT_TRUE(product.InstallOnThread().succeeded);
    const auto record = product.Record();
    const std::vector<SeenMessage> messages =
        installtest::RunAndAnswer(product.UninstallEntry().at("UninstallString"), false);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].question);
    EXPECT_EQ(product.Record(), record);
    EXPECT_TRUE(product.UninstallEntryExists());
    EXPECT_TRUE(FileExists(product.installationPath + "\\Uninstall.exe"));
    EXPECT_TRUE(FileExists(product.installationPath + "\\Filters\\Deep\\Nerro.8bf"));
}

TEST(UninstallProgram, MissingOrDamagedRecordRemovesNothing) {
    installtest::TestFolder folder;
    const std::string keep = folder / "keep.txt";
    installtest::WriteFileBytes(keep, "keep");
    const std::string key = "Software\\" + installtest::UniqueName("NerroRecordTest");
    installtest::ScopedRegKey record(HKEY_LOCAL_MACHINE, key);
    const std::string program = NERRO_UNINSTALL_EXE;

    std::vector<SeenMessage> messages = installtest::RunAndAnswer(program + " " + key, true);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "The install record \"HKEY_LOCAL_MACHINE\\" + key +
                                    "\" does not exist. Nothing was removed.");

    record.SetString("Path", "relative\\");
    record.SetString("0.file", keep);
    messages = installtest::RunAndAnswer(program + " " + key, true);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "The install record \"HKEY_LOCAL_MACHINE\\" + key +
                                    "\" is damaged: \"Path\" is not a full path to a folder. "
                                    "Nothing was removed.");
    EXPECT_TRUE(FileExists(keep));
    EXPECT_TRUE(installtest::KeyExists(HKEY_LOCAL_MACHINE, key));

    messages = installtest::RunAndAnswer(program, true);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "No install record was named. Start this program from the list of installed "
              "programs. Nothing was removed.");
}

}  // namespace
