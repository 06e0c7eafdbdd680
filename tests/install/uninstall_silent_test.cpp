// The uninstall program's silent mode (/S, as "QuietUninstallString" starts
// it) and its exit codes: the switches on the command line, and the real
// program run after a real installation.
#include <gtest/gtest.h>

#include <string>

#include "install_worker_fixture.h"
#include "installer/install_record.h"
#include "platform/kernel_handles.h"
#include "uninstall_product.h"
#include "uninstall_run_support.h"
#include "uninstaller/uninstall_command.h"
#include "platform/win_text.h"

namespace {

using installtest::FileExists;
using installtest::FolderExists;
using installtest::ProductFixture;
using installtest::RunResult;

TEST(UninstallSwitches, SilentBeforeTheKeyOnly) {
    installtest::TestFolder folder;
    const std::string programFolder = folder / "Nerro Product";
    ASSERT_TRUE(CreateDirectoryW(WidePath(programFolder).c_str(), nullptr));
    const std::string program = programFolder + "\\Uninstall.exe";
    installtest::WriteFileBytes(program, "MZ");
    const std::string quoted = "\"" + program + "\"";

    const struct {
        std::string line;
        bool silent;
        std::string key;
        bool wrongUsage;
        bool help;
    } cases[] = {
        // "QuietUninstallString" as the installer writes it.
        {quoted + " /S Software\\Vendor\\Product 1.0", true, "Software\\Vendor\\Product 1.0", false, false},
        {quoted + " /s Software\\Vendor", true, "Software\\Vendor", false, false},
        {quoted + "  /S\tSoftware\\Tabbed ", true, "Software\\Tabbed", false, false},
        {program + " /S Software\\Vendor\\Product 1.0", true, "Software\\Vendor\\Product 1.0", false, false},
        {programFolder + "\\Uninstall /S Software\\Vendor", true, "Software\\Vendor", false, false},
        {quoted + " /S", true, "", false, false},
        {quoted + " /S /s Software\\Twice", true, "Software\\Twice", false, false},
        // The old forms, without a switch.
        {quoted + " Software\\Vendor\\Product 1.0", false, "Software\\Vendor\\Product 1.0", false, false},
        {program + " Software\\Vendor\\Product 1.0", false, "Software\\Vendor\\Product 1.0", false, false},
        // Behind the key, "/S" is part of it.
        {quoted + " Software\\Vendor /S", false, "Software\\Vendor /S", false, false},
        {quoted + " Software\\/S Key", false, "Software\\/S Key", false, false},
        // Help.
        {quoted + " /?", false, "", false, true},
        {quoted + " /S /?", true, "", false, true},
        // Unknown switches, and "/S" run into another word.
        {quoted + " /X Software\\Vendor", false, "/X Software\\Vendor", true, false},
        {quoted + " /Silent Software\\Vendor", false, "/Silent Software\\Vendor", true, false},
        {quoted + " /SSoftware\\Vendor", false, "/SSoftware\\Vendor", true, false},
        {quoted + " /S /quiet Software\\Vendor", true, "/quiet Software\\Vendor", true, false},
        {program + " /", false, "/", true, false},
        // The program's own switches are not for people.
        {quoted + " /result 5 Software\\Vendor", false, "/result 5 Software\\Vendor", true, false},
        {quoted + " /S /continue 1 Software\\Vendor", true, "/continue 1 Software\\Vendor", true, false},
    };
    for (const auto& c : cases) {
        const UninstallCommand command = ParseUninstallCommand(c.line, program);
        EXPECT_EQ(command.silent, c.silent) << c.line;
        EXPECT_EQ(command.recordKey, c.key) << c.line;
        EXPECT_EQ(!command.error.empty(), c.wrongUsage) << c.line << ": " << command.error;
        EXPECT_EQ(command.help, c.help) << c.line;
        EXPECT_FALSE(command.continuation) << c.line;
    }
}

TEST(UninstallSwitches, ContinuationCarriesSilenceAndResultPipe) {
    ContinuationHandles handles;
    handles.firstProcess = 12;
    handles.copyFile = 340;
    handles.copyFolder = 5678;
    handles.resultPipe = 90;
    const std::string copy = "C:\\Temp dir\\copy.exe";
    const std::string both = ContinuationCommand(copy, handles, "Software\\A B", true);
    EXPECT_EQ(both, "\"" + copy + "\" /continue 12,340,5678 /result 90 /S Software\\A B");
    handles.resultPipe = 0;
    const std::string silentOnly = ContinuationCommand(copy, handles, "Software\\A B", true);
    EXPECT_EQ(silentOnly, "\"" + copy + "\" /continue 12,340,5678 /S Software\\A B");

    const struct {
        std::string line;
        bool continuation, silent, wrongUsage;
        uintptr_t pipe;
        std::string key;
    } cases[] = {
        {both, true, true, false, 90, "Software\\A B"},
        {silentOnly, true, true, false, 0, "Software\\A B"},
        {"\"x.exe\" /continue 7 /result 3 Software\\K", true, false, false, 3, "Software\\K"},
        {"\"x.exe\" /continue 7 /s Software\\K", true, true, false, 0, "Software\\K"},
        // The pipe is a handle other than 0, given once, right behind the handles.
        {"\"x.exe\" /continue 7 /result 0 Software\\K", true, false, true, 0,
         "/result 0 Software\\K"},
        {"\"x.exe\" /continue 7 /result Software\\K", true, false, true, 0,
         "/result Software\\K"},
        {"\"x.exe\" /continue 7 /S /result 3 Software\\K", true, true, true, 0,
         "/result 3 Software\\K"},
        {"\"x.exe\" /continue 7 /result 3 /result 4 Software\\K", true, false, true, 3,
         "/result 4 Software\\K"},
        // A continuation is first on the line.
        {"\"x.exe\" /S /continue 7 Software\\K", false, true, true, 0, "/continue 7 Software\\K"},
    };
    for (const auto& c : cases) {
        const UninstallCommand command = ParseUninstallCommand(c.line, "x.exe");
        EXPECT_EQ(command.continuation, c.continuation) << c.line;
        EXPECT_EQ(command.silent, c.silent) << c.line;
        EXPECT_EQ(!command.error.empty(), c.wrongUsage) << c.line << ": " << command.error;
        EXPECT_EQ(command.resultPipe, c.pipe) << c.line;
        EXPECT_EQ(command.recordKey, c.key) << c.line;
    }
}

struct Snapshot {
    std::set<std::string> drive, machine, user;
};

Snapshot takeSnapshot() {
    return {installtest::DriveSnapshot("C:"),
            installtest::RegistrySnapshot(HKEY_LOCAL_MACHINE, "HKLM"),
            installtest::RegistrySnapshot(HKEY_CURRENT_USER, "HKCU")};
}

// "QuietUninstallString" of an installed product, built as the installer
// builds it.
std::string quietCommand(const ProductFixture& product) {
    return "\"" + product.installationPath + "\\Uninstall.exe\" /S " + product.registryKey;
}

TEST(UninstallSilent, QuietRunRemovesEverythingWithoutABox) {
    const int copiesBefore = installtest::TemporaryCopies();
    const Snapshot before = takeSnapshot();
    ProductFixture product("NerroRoundTrip", installtest::ProgramFilesFolder());
    installtest::ConfigureUninstallableProduct(product);
    const InstallOutcome outcome = product.InstallOnThread();
    ASSERT_TRUE(outcome.succeeded) << outcome.message;
    ASSERT_NE(takeSnapshot().drive, before.drive);
    ASSERT_TRUE(FileExists(product.installationPath + "\\Uninstall.exe"));

    const RunResult run = installtest::RunProgram(quietCommand(product), true);

    EXPECT_EQ(run.messages.size(), 0u) << run.messages.at(0).text;
    EXPECT_EQ(run.exitCode, 0u);
    // The hand-over ran: the installed program is gone with its folder.
    EXPECT_FALSE(FolderExists(product.installationPath));
    const Snapshot after = takeSnapshot();
    EXPECT_EQ(installtest::SnapshotDifference(before.drive, after.drive), "");
    EXPECT_EQ(installtest::SnapshotDifference(before.machine, after.machine), "");
    EXPECT_EQ(installtest::SnapshotDifference(before.user, after.user), "");
    EXPECT_EQ(installtest::TemporaryCopies(), copiesBefore);
}

// Exit codes of runs after a real installation, silent or answered.
TEST(UninstallSilent, ExitCodesAfterAnInstallation) {
    enum class Disturbance { None, UserFile, FileHeldOpen };
    const struct {
        const char* name;
        bool silent;
        bool confirm;
        Disturbance disturbance;
        DWORD exitCode;
        size_t messages;
        bool removed;  // the record and the installed plug-in are gone
    } cases[] = {
        {"answered Yes", false, true, Disturbance::None, 0, 2, true},
        {"answered No", false, false, Disturbance::None, 3, 1, false},
        // The user's own files keep their folder, and the product counts as removed.
        {"silent, a file of the user's", true, true, Disturbance::UserFile, 0, 0, true},
        {"answered, a file of the user's", false, true, Disturbance::UserFile, 0, 2, true},
        // A recorded file that cannot go.
        {"silent, the plug-in held open", true, true, Disturbance::FileHeldOpen, 1, 0, true},
        {"answered, the plug-in held open", false, true, Disturbance::FileHeldOpen, 1, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProductFixture product("NerroRoundTrip");
        installtest::ConfigureUninstallableProduct(product);
        ASSERT_TRUE(product.InstallOnThread().succeeded);
        const std::string plugin = product.installationPath + "\\Filters\\Deep\\Nerro.8bf";
        const std::string mine = product.installationPath + "\\Filters\\mine.txt";
        UniqueHandle held;
        if (c.disturbance == Disturbance::UserFile) installtest::WriteFileBytes(mine, "mine");
        if (c.disturbance == Disturbance::FileHeldOpen)
            held.Reset(CreateFileW(WidePath(plugin).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
        ASSERT_EQ(static_cast<bool>(held), c.disturbance == Disturbance::FileHeldOpen);

        const std::string command = c.silent ? quietCommand(product)
                                             : product.UninstallEntry().at("UninstallString");
        const RunResult run = installtest::RunProgram(command, c.confirm);
        held.Reset();

        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.messages.size(), c.messages);
        EXPECT_EQ(product.RecordExists(), !c.removed);
        EXPECT_EQ(FileExists(plugin), c.disturbance == Disturbance::FileHeldOpen || !c.removed);
        EXPECT_EQ(FileExists(product.installationPath + "\\Uninstall.exe"), !c.removed);
        if (c.disturbance == Disturbance::UserFile) {
            EXPECT_EQ(installtest::ReadFileBytes(mine), "mine");
        }
    }
}

// Runs that remove nothing: no or a damaged record, wrong usage.
TEST(UninstallSilent, RefusalsAndWrongUsage) {
    installtest::TestFolder folder;
    const std::string keep = folder / "keep.txt";
    installtest::WriteFileBytes(keep, "keep");
    const std::string missing = "Software\\" + installtest::UniqueName("NerroRecordTest");
    const std::string damaged = "Software\\" + installtest::UniqueName("NerroRecordTest");
    installtest::ScopedRegKey record(HKEY_LOCAL_MACHINE, damaged);
    record.SetString("Path", "relative\\");
    record.SetString("0.file", keep);
    const std::string program = std::string("\"") + NERRO_UNINSTALL_EXE + "\"";

    const struct {
        std::string arguments;
        DWORD exitCode;
        size_t messages;
        const char* firstText;  // the start of the box's text
    } cases[] = {
        {"/S " + missing, 1, 0, ""},
        {"/s " + damaged, 1, 0, ""},
        {"/S", 1, 0, ""},
        {"/S /X " + damaged, 2, 0, ""},
        {"/S /?", 0, 0, ""},
        {missing, 1, 1, "The install record"},
        {"/X " + damaged, 2, 1, "Wrong command line: \"/X\" is not a switch of this program."},
        {"/?", 0, 1, "Usage: nerro-uninstall [/S] RECORD KEY"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const RunResult run = installtest::RunProgram(program + " " + c.arguments, true);
        EXPECT_EQ(run.exitCode, c.exitCode);
        ASSERT_EQ(run.messages.size(), c.messages);
        if (c.messages) {
            EXPECT_EQ(run.messages[0].text.rfind(c.firstText, 0), 0u) << run.messages[0].text;
        }
        EXPECT_TRUE(FileExists(keep));
        EXPECT_TRUE(installtest::KeyExists(HKEY_LOCAL_MACHINE, damaged));
    }
}

}  // namespace
