// nerro-uninstall.exe itself, started as the uninstall entry says after a
// real installation, its message boxes answered by the test.
#include <gtest/gtest.h>

#include <string>

#include "install_worker_fixture.h"
#include "installer/install_record.h"
#include "uninstall_product.h"
#include "uninstall_run_support.h"

namespace {

using installtest::ConfigureUninstallableProduct;
using installtest::FileExists;
using installtest::FolderExists;
using installtest::ProductFixture;
using installtest::SeenMessage;

struct Snapshot {
    std::set<std::string> drive, machine, user;
};

Snapshot takeSnapshot() {
    return {installtest::DriveSnapshot("C:"),
            installtest::RegistrySnapshot(HKEY_LOCAL_MACHINE, "HKLM"),
            installtest::RegistrySnapshot(HKEY_CURRENT_USER, "HKCU")};
}

TEST(UninstallProgram, RoundTripLeavesDriveAndRegistryAsBefore) {
    const int copiesBefore = installtest::TemporaryCopies();
    const Snapshot before = takeSnapshot();
    ProductFixture product("NerroRoundTrip", installtest::ProgramFilesFolder());
    ConfigureUninstallableProduct(product);
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
    EXPECT_EQ(installtest::TemporaryCopies(), copiesBefore);

    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].question);
    EXPECT_EQ(messages[0].caption, product.productName + " Uninstall");
    EXPECT_EQ(messages[0].text, "Remove " + product.productName + " and all of its components?");
    EXPECT_FALSE(messages[1].question);
    EXPECT_EQ(messages[1].text, product.productName + " was removed.");
}

TEST(UninstallProgram, FilesTheUserAddedStayWithTheirFolders) {
    ProductFixture product("NerroRoundTrip");
    ConfigureUninstallableProduct(product);
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
    ConfigureUninstallableProduct(product);
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
