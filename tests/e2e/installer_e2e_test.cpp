// The real nerro-setup.exe with the demo pack (or a variant made here),
// started and worked from this process: start-up state, interaction, a full
// installation, another pack named on the command line, damaged installers,
// and a DLL planted beside the installer. Each test saves screenshots of what
// a user sees into the tree's e2e-shots folder.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "foundation/byte_file.h"
#include "foundation/tinifile.h"
#include "installer/host_detect.h"
#include "pack/pack_signature.h"
#include "tests/e2e/e2e_driver.h"
#include "tests/e2e/e2e_packs.h"
#include "tests/install/install_test_support.h"

namespace {

using installtest::ScopedRegKey;
using installtest::TestFolder;

// The demo product's configuration (demo/product/Nerro.ini).
constexpr const char* kTitle = "Nerro Demo Filters Setup";
constexpr const char* kProduct = "Nerro Demo Filters 1.0";
constexpr const char* kRecordKey = "Software\\Nerro\\Demo Filters";
constexpr const char* kProgramFolder = "Nerro Demo Filters";
constexpr const char* kCompleteText =
    "The installation is complete.\rThe filters appear in your host application's filter menu "
    "after its next start.";
const char* const kShortcuts[] = {"Nerro Demo Filters - Read me.lnk",
                                  "Uninstall Nerro Demo Filters.lnk"};
const char* const kInstalledFiles[] = {"NerroBlur.8bf", "NerroSharpen.8bf", "readme.txt",
                                       "nerro-uninstall.exe"};

// Main dialog controls.
constexpr int kInstall = 1001, kPath = 1002, kBrowse = 1004, kRunning = 1007, kProgress = 1008;
constexpr int kNotice = 1009, kLanguage = 1010, kList = 1011, kTitleLabel = 1012;
constexpr int kReady = 1016, kLogo = 1018, kExit = 1027, kNoHostNote = 1030;
// Folder chooser controls.
constexpr int kChooserTree = 1002, kChooserPath = 1012;

std::string SpecialFolder(int id) {
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, path, id, FALSE);
    return path;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string UninstallKey() {
    return std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct;
}

// Whatever an installation of the demo product leaves, removed.
void RemoveDemoInstallation() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRecordKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Nerro");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, UninstallKey().c_str());
    for (const char* link : kShortcuts)
        DeleteFileA((SpecialFolder(CSIDL_PROGRAMS) + "\\" + link).c_str());
}

// For the demo script (NERRO_E2E_REPORT set): what the installation left.
void PrintInstallation(const std::string& target) {
    if (!std::getenv("NERRO_E2E_REPORT")) return;
    std::printf("\nInstalled files in %s:\n", target.c_str());
    for (const char* name : kInstalledFiles)
        std::printf("  %-22s %8u bytes\n", name,
                    static_cast<unsigned>(e2e::ReadWholeFile(target + "\\" + name).size()));
    std::printf("Shortcuts in %s:\n", SpecialFolder(CSIDL_PROGRAMS).c_str());
    for (const char* link : kShortcuts)
        std::printf("  %s%s\n", link,
                    FileExists(SpecialFolder(CSIDL_PROGRAMS) + "\\" + link) ? "" : " (missing)");
    for (const std::string& key : {std::string(kRecordKey), UninstallKey()}) {
        std::printf("Registry HKEY_LOCAL_MACHINE\\%s:\n", key.c_str());
        for (const auto& [name, value] : installtest::ReadValues(HKEY_LOCAL_MACHINE, key))
            std::printf("  %-16s = %s\n", name.c_str(), value.c_str());
    }
    std::fflush(stdout);
}

bool Bluish(COLORREF colour) {
    return GetBValue(colour) > GetRValue(colour) + 40;
}

class InstallerE2E : public testing::Test {
protected:
    void SetUp() override {
        if (!DetectHostApplications().empty())
            GTEST_SKIP() << "a host application is registered in this prefix";
        RemoveDemoInstallation();
    }
    void TearDown() override { RemoveDemoInstallation(); }

    // Registers Photoshop 6 and 7 with plug-in folders of their own.
    void AddHosts() {
        CreateDirectoryA(photoshop6Folder_.c_str(), nullptr);
        CreateDirectoryA(photoshop7Folder_.c_str(), nullptr);
        photoshop6_.Create();
        photoshop6_.SetString("PluginPath", photoshop6Folder_);
        photoshop7_.Create();
        photoshop7_.SetString("PluginPath", photoshop7Folder_);
        ASSERT_EQ(DetectHostApplications().size(), 2u);
    }

    // The main dialog of installer, once it shows.
    HWND MainDialog(const e2e::Process& installer) {
        return e2e::WaitForDialogWithControl(installer.Id(), kList);
    }

    TestFolder folder_;
    std::string photoshop6Folder_ = folder_ / "Photoshop 6 Plug-ins";
    std::string photoshop7Folder_ = folder_ / "Photoshop 7 Plug-ins";
    ScopedRegKey photoshop6_{HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\6.0",
                             installtest::kHostView};
    ScopedRegKey photoshop7_{HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\7.0",
                             installtest::kHostView};
};

// ---- Start-up ----------------------------------------------------------------------

TEST_F(InstallerE2E, StartUpShowsConfigurationLanguagesHostsAndPath) {
    AddHosts();
    e2e::Process installer(NERRO_DEMO_SETUP_EXE, "", folder_.Path());
    ASSERT_TRUE(installer.Started());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    e2e::SaveScreenshot("start-up");

    EXPECT_EQ(e2e::Text(dialog), kTitle);
    EXPECT_EQ(e2e::ControlText(dialog, kTitleLabel), std::string(kProduct) + " ");
    EXPECT_FALSE(e2e::IsVisible(dialog, kNoHostNote));
    EXPECT_EQ(e2e::ControlText(dialog, kNotice),
              "  Copyright (c) 2024 the Nerro developers. A sample product of the Nerro "
              "installer.");
    EXPECT_TRUE(e2e::WaitForCentreColour(GetDlgItem(dialog, kLogo), Bluish));

    HWND combo = GetDlgItem(dialog, kLanguage);
    EXPECT_EQ(e2e::ComboItems(combo),
              (std::vector<std::string>{"English", "Japanese", "Russian"}));
    // The system language here is an English one, which English.clg serves.
    EXPECT_EQ(e2e::ComboSelection(combo), 0);

    HWND list = GetDlgItem(dialog, kList);
    ASSERT_EQ(e2e::ListRowCount(list), 2);
    // Row 0 is the last host in table order.
    EXPECT_EQ(e2e::ListItemText(installer.Id(), list, 0, 0), "Adobe Photoshop 7");
    EXPECT_EQ(e2e::ListItemText(installer.Id(), list, 0, 1), photoshop7Folder_ + "\\");
    EXPECT_EQ(e2e::ListItemText(installer.Id(), list, 1, 0), "Adobe Photoshop 6");
    EXPECT_EQ(e2e::ListColumnText(installer.Id(), list, 0), "Application");
    EXPECT_EQ(e2e::ListColumnText(installer.Id(), list, 1), "Plug-in's folder");
    EXPECT_EQ(e2e::ControlText(dialog, kPath), photoshop7Folder_ + "\\" + kProgramFolder);

    EXPECT_TRUE(e2e::IsVisible(dialog, kInstall));
    EXPECT_TRUE(e2e::IsVisible(dialog, kReady));
    EXPECT_FALSE(e2e::IsVisible(dialog, kProgress));
    EXPECT_FALSE(e2e::IsVisible(dialog, IDCANCEL));

    e2e::Click(dialog, kExit);
    EXPECT_EQ(installer.Wait(), 3u);
    EXPECT_FALSE(installtest::KeyExists(HKEY_LOCAL_MACHINE, kRecordKey));
}

TEST_F(InstallerE2E, WithoutHostsThePathIsUnderProgramFiles) {
    e2e::Process installer(NERRO_DEMO_SETUP_EXE, "", folder_.Path());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(e2e::ListRowCount(GetDlgItem(dialog, kList)), 0);
    EXPECT_EQ(e2e::ControlText(dialog, kPath),
              SpecialFolder(CSIDL_PROGRAM_FILES) + "\\" + kProgramFolder);
    // A note under the list says why.
    EXPECT_TRUE(e2e::IsVisible(dialog, kNoHostNote));
    EXPECT_EQ(e2e::ControlText(dialog, kNoHostNote),
              "No supported application was found; the product goes to the folder below.");
    e2e::SaveScreenshot("no-host");
    // Escape ends the dialog before an installation.
    e2e::Command(dialog, IDCANCEL);
    EXPECT_EQ(installer.Wait(), 3u);
}

// A host of today from the demo's own host definitions: Photoshop keeps one
// key per version in the 64-bit view, which the 32- and the 64-bit installer
// both read; it is listed before the built-in hosts. The keys are the test's
// own, made for the demonstration.
TEST_F(InstallerE2E, ModernHostFromTheConfigurationIsListedFirst) {
    AddHosts();
    const std::string application = folder_ / "Adobe Photoshop 2026";
    ASSERT_TRUE(CreateDirectoryA(application.c_str(), nullptr));
    ScopedRegKey photoshop2026(HKEY_LOCAL_MACHINE, "SOFTWARE\\Adobe\\Photoshop\\270.0",
                               KEY_WOW64_64KEY);
    ASSERT_TRUE(photoshop2026.Fresh());
    photoshop2026.SetString("ApplicationPath", application);

    e2e::Process installer(NERRO_DEMO_SETUP_EXE, "", folder_.Path());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, kList);
    ASSERT_EQ(e2e::ListRowCount(list), 3);
    EXPECT_EQ(e2e::ListItemText(installer.Id(), list, 0, 0), "Adobe Photoshop 270.0");
    EXPECT_EQ(e2e::ListItemText(installer.Id(), list, 0, 1), application + "\\Plug-ins\\");
    EXPECT_EQ(e2e::ListItemText(installer.Id(), list, 1, 0), "Adobe Photoshop 7");
    EXPECT_EQ(e2e::ControlText(dialog, kPath),
              application + "\\Plug-ins\\" + kProgramFolder);
    EXPECT_FALSE(e2e::IsVisible(dialog, kNoHostNote));
    e2e::SaveScreenshot("modern-host");
    e2e::Click(dialog, kExit);
    EXPECT_EQ(installer.Wait(), 3u);
}

// ---- Interaction ---------------------------------------------------------------------

TEST_F(InstallerE2E, RowLanguageAndBrowseChangeTheDialog) {
    AddHosts();
    e2e::Process installer(NERRO_DEMO_SETUP_EXE, "", folder_.Path());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, kList);

    // Selecting a row replaces a typed path.
    e2e::SetControlText(dialog, kPath, "X:\\typed by hand");
    e2e::SelectListRow(installer.Id(), list, 1);
    EXPECT_EQ(e2e::ControlText(dialog, kPath), photoshop6Folder_ + "\\" + kProgramFolder);

    // The language change translates caption, labels, buttons and headers.
    TIniFile russian;
    ASSERT_TRUE(russian.Load((std::string(NERRO_DEMO_PRODUCT) + "\\Russian.clg").c_str()));
    e2e::SelectComboItem(dialog, kLanguage, 2);
    EXPECT_EQ(e2e::Text(dialog), russian.GetString("Main", "0", "?"));
    EXPECT_EQ(e2e::ControlText(dialog, kInstall), russian.GetString("Main", "1001", "?"));
    EXPECT_EQ(e2e::ControlText(dialog, kExit), russian.GetString("Main", "1027", "?"));
    EXPECT_EQ(e2e::ControlText(dialog, 1023), russian.GetString("Main", "1023", "?"));
    EXPECT_EQ(e2e::ListColumnText(installer.Id(), list, 1),
              russian.GetString("Main", "1011_1", "?"));
    e2e::SaveScreenshot("russian");
    e2e::SelectComboItem(dialog, kLanguage, 0);
    EXPECT_EQ(e2e::ControlText(dialog, kInstall), "Install");

    // Browse opens on the parent of the path, with the product folder kept.
    e2e::Click(dialog, kBrowse);
    HWND chooser = e2e::WaitForDialogWithControl(installer.Id(), kChooserTree, "SysTreeView32");
    ASSERT_NE(chooser, nullptr);
    HWND tree = GetDlgItem(chooser, kChooserTree);
    EXPECT_EQ(e2e::ControlText(chooser, kChooserPath), photoshop6Folder_ + "\\" + kProgramFolder);
    HTREEITEM selected = e2e::TreeSelection(tree);
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(e2e::TreeItemText(installer.Id(), tree, selected), "Photoshop 6 Plug-ins");
    e2e::SaveScreenshot("folder-chooser");

    // Picking the folder above gives that folder plus the product folder.
    e2e::SelectTreeItem(tree, e2e::TreeParent(tree, selected));
    EXPECT_EQ(e2e::ControlText(chooser, kChooserPath), folder_.Path() + "\\" + kProgramFolder);
    e2e::Click(chooser, IDOK);
    ASSERT_TRUE(e2e::WaitUntilHidden(chooser));
    EXPECT_EQ(e2e::ControlText(dialog, kPath), folder_.Path() + "\\" + kProgramFolder);

    // Cancel changes nothing.
    e2e::Click(dialog, kBrowse);
    chooser = e2e::WaitForDialogWithControl(installer.Id(), kChooserTree, "SysTreeView32");
    ASSERT_NE(chooser, nullptr);
    e2e::SetControlText(chooser, kChooserPath, "Y:\\not taken");
    e2e::Click(chooser, IDCANCEL);
    ASSERT_TRUE(e2e::WaitUntilHidden(chooser));
    EXPECT_EQ(e2e::ControlText(dialog, kPath), folder_.Path() + "\\" + kProgramFolder);

    e2e::Click(dialog, kExit);
    EXPECT_EQ(installer.Wait(), 3u);
}

// ---- Installation ----------------------------------------------------------------------

TEST_F(InstallerE2E, InstallsTheDemoProductWithShortcutsAndRecord) {
    AddHosts();
    e2e::Process installer(NERRO_DEMO_SETUP_EXE, "", folder_.Path());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    // A typed path is used as typed.
    const std::string target = folder_ / "Typed Target";
    e2e::SetControlText(dialog, kPath, target);
    e2e::SaveScreenshot("before-install");
    e2e::Click(dialog, kInstall);

    HWND box = e2e::WaitForMessageBox(installer.Id());
    ASSERT_NE(box, nullptr);
    e2e::SaveScreenshot("install-complete");
    EXPECT_EQ(e2e::Text(box), kProduct);
    EXPECT_EQ(e2e::MessageBoxText(box), kCompleteText);

    // The dialog (hidden behind the box) shows the installing state: which
    // controls are visible there reads from their styles.
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(e2e::IsVisible(dialog, kInstall));
    EXPECT_FALSE(e2e::IsVisible(dialog, kExit));
    EXPECT_FALSE(e2e::IsVisible(dialog, kReady));
    EXPECT_TRUE(e2e::IsVisible(dialog, IDCANCEL));
    EXPECT_TRUE(e2e::IsVisible(dialog, kProgress));
    EXPECT_TRUE(e2e::IsVisible(dialog, kRunning));
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, kProgress), PBM_GETPOS, 0, 0), 100);
    EXPECT_FALSE(e2e::IsEnabled(dialog, kList));
    EXPECT_FALSE(e2e::IsEnabled(dialog, kLanguage));
    EXPECT_FALSE(e2e::IsEnabled(dialog, kPath));
    EXPECT_FALSE(e2e::IsEnabled(dialog, kBrowse));

    e2e::Command(box, IDOK);
    EXPECT_EQ(installer.Wait(), 0u);

    const e2e::PackContents product = e2e::DemoProductContents();
    for (const char* name : kInstalledFiles) {
        SCOPED_TRACE(name);
        EXPECT_EQ(e2e::ReadWholeFile(target + "\\" + name), product.at(name));
    }
    for (const char* link : kShortcuts)
        EXPECT_TRUE(FileExists(SpecialFolder(CSIDL_PROGRAMS) + "\\" + link)) << link;

    const auto record = installtest::ReadValues(HKEY_LOCAL_MACHINE, kRecordKey);
    EXPECT_EQ(record.at("Path"), target + "\\");
    EXPECT_EQ(record.at("Product"), kProduct);
    EXPECT_EQ(record.at("0.regkey"), UninstallKey());
    EXPECT_EQ(record.at("1.regkey"), kRecordKey);
    EXPECT_EQ(record.at("0.file"), target + "\\NerroBlur.8bf");
    const auto entry = installtest::ReadValues(HKEY_LOCAL_MACHINE, UninstallKey());
    EXPECT_EQ(entry.at("DisplayName"), kProduct);
    EXPECT_EQ(entry.at("UninstallString"),
              "\"" + target + "\\nerro-uninstall.exe\" " + std::string(kRecordKey));
    PrintInstallation(target);
}

TEST_F(InstallerE2E, EscapeCloseBoxAndEnterAreIgnoredWhileInstalling) {
    e2e::Process installer(NERRO_DEMO_SETUP_EXE, "", folder_.Path());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    const std::string target = folder_ / "Quiet Target";
    e2e::SetControlText(dialog, kPath, target);
    // Install, then at once Escape, the close box, Cancel and Enter again:
    // all queued behind the click, so they arrive while installing.
    e2e::Click(dialog, kInstall);
    e2e::Command(dialog, IDCANCEL);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    e2e::Click(dialog, IDCANCEL);
    e2e::Command(dialog, IDOK);
    HWND box = e2e::WaitForMessageBox(installer.Id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(box), kCompleteText);
    // One installation only: one box.
    EXPECT_EQ(e2e::VisibleDialogs(installer.Id()).size(), 1u);
    e2e::Command(box, IDOK);
    EXPECT_EQ(installer.Wait(), 0u);
    EXPECT_TRUE(FileExists(target + "\\nerro-uninstall.exe"));
}

// ---- Another pack named on the command line -----------------------------------------------

TEST_F(InstallerE2E, AnArgumentNamingAnotherPackFileIsUsedForEverything) {
    e2e::PackContents contents = e2e::DemoProductContents();
    contents.erase("Russian.clg");
    contents.erase("Japanese.clg");
    std::string& ini = contents["Nerro.ini"];
    ini.replace(ini.find("Title=Nerro Demo Filters Setup"), 30, "Title=Other Product Setup");
    ini.replace(ini.find("Product name=Nerro Demo Filters 1.0"), 35,
                "Product name=Other Product 2");
    const std::string packPath = folder_ / "other product.pack";
    ASSERT_TRUE(e2e::WriteInstaller(packPath, "", contents));

    // The plain program holds no pack of its own.
    e2e::Process installer(NERRO_SETUP_EXE, "\"" + packPath + "\"", folder_.Path());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(e2e::Text(dialog), "Other Product Setup");
    EXPECT_EQ(e2e::ControlText(dialog, kTitleLabel), "Other Product 2 ");
    EXPECT_EQ(e2e::ComboItems(GetDlgItem(dialog, kLanguage)), std::vector<std::string>{"English"});
    EXPECT_TRUE(e2e::WaitForCentreColour(GetDlgItem(dialog, kLogo), Bluish));
    e2e::Click(dialog, kExit);
    EXPECT_EQ(installer.Wait(), 3u);
}

TEST_F(InstallerE2E, AnEmptyArgumentCountsAsNone) {
    e2e::Process installer(NERRO_DEMO_SETUP_EXE, "\"\"", folder_.Path());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(e2e::Text(dialog), kTitle);
    e2e::Click(dialog, kExit);
    EXPECT_EQ(installer.Wait(), 3u);
}

// ---- Damaged installers -------------------------------------------------------------------

// Starts installer, expects the damaged-installer box instead of the dialog,
// dismisses it and expects nothing installed.
void ExpectDamagedInstallerBox(const std::string& installerPath, const std::string& folder,
                               const std::string& shot, const std::string& reason) {
    e2e::Process installer(installerPath, "", folder);
    ASSERT_TRUE(installer.Started());
    HWND box = e2e::WaitForMessageBox(installer.Id());
    ASSERT_NE(box, nullptr);
    e2e::SaveScreenshot(shot);
    const std::string text = e2e::MessageBoxText(box);
    EXPECT_NE(text.find("This installer is damaged or incomplete"), std::string::npos) << text;
    EXPECT_NE(text.find(reason), std::string::npos) << text;
    EXPECT_NE(text.find("Nothing has been installed."), std::string::npos) << text;
    EXPECT_EQ(e2e::VisibleDialogs(installer.Id()).size(), 1u);
    e2e::Command(box, IDOK);
    EXPECT_EQ(installer.Wait(), 1u);
    EXPECT_FALSE(installtest::KeyExists(HKEY_LOCAL_MACHINE, kRecordKey));
}

TEST_F(InstallerE2E, ATruncatedInstallerShowsTheDamagedMessage) {
    std::string bytes = e2e::ReadWholeFile(NERRO_DEMO_SETUP_EXE);
    bytes.resize(bytes.size() - 1000);
    const std::string path = folder_ / "truncated-setup.exe";
    ASSERT_TRUE(e2e::WriteWholeFile(path, bytes));
    ExpectDamagedInstallerBox(path, folder_.Path(), "damaged-truncated",
                              "no valid installation package");
}

TEST_F(InstallerE2E, AFlippedConfigurationByteShowsTheDamagedMessage) {
    const std::string path = folder_ / "flipped-setup.exe";
    ASSERT_TRUE(e2e::WriteWholeFile(path, e2e::ReadWholeFile(NERRO_DEMO_SETUP_EXE)));
    ASSERT_TRUE(e2e::FlipEntryByte(path, "Nerro.ini"));
    ExpectDamagedInstallerBox(path, folder_.Path(), "damaged-flipped",
                              "\"Nerro.ini\" in it is damaged");
}

TEST_F(InstallerE2E, AMissingLogoShowsTheDamagedMessage) {
    e2e::PackContents contents = e2e::DemoProductContents();
    contents.erase("logo.bmp");
    const std::string path = folder_ / "no-logo-setup.exe";
    ASSERT_TRUE(e2e::WriteInstaller(path, NERRO_SETUP_EXE, contents));
    ExpectDamagedInstallerBox(path, folder_.Path(), "damaged-no-logo", "\"logo.bmp\" is missing");
}

TEST_F(InstallerE2E, ADamagedProductFileStopsTheInstallationBeforeAnythingIsWritten) {
    const std::string path = folder_ / "bad-payload-setup.exe";
    ASSERT_TRUE(e2e::WriteWholeFile(path, e2e::ReadWholeFile(NERRO_DEMO_SETUP_EXE)));
    ASSERT_TRUE(e2e::FlipEntryByte(path, "NerroSharpen.8bf"));
    e2e::Process installer(path, "", folder_.Path());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    const std::string target = folder_ / "Never Written";
    e2e::SetControlText(dialog, kPath, target);
    e2e::Click(dialog, kInstall);
    HWND box = e2e::WaitForMessageBox(installer.Id());
    ASSERT_NE(box, nullptr);
    e2e::SaveScreenshot("damaged-payload");
    const std::string text = e2e::MessageBoxText(box);
    EXPECT_NE(text.find("damaged"), std::string::npos) << text;
    EXPECT_NE(text.find("NerroSharpen.8bf"), std::string::npos) << text;
    e2e::Command(box, IDOK);
    EXPECT_EQ(installer.Wait(), 1u);
    EXPECT_FALSE(FileExists(target + "\\NerroBlur.8bf"));
    EXPECT_FALSE(installtest::KeyExists(HKEY_LOCAL_MACHINE, kRecordKey));
}

// ---- A DLL planted beside the installer ----------------------------------------------------

TEST_F(InstallerE2E, ADllPlantedBesideTheInstallerIsNeverLoaded) {
    const std::string marker = folder_ / "planted-dll-loaded.txt";
    ASSERT_TRUE(CopyFileA(NERRO_PLANTED_DLL, (folder_ / "oleaut32.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(NERRO_PLANTED_PROBE, (folder_ / "planted-probe.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(NERRO_DEMO_SETUP_EXE, (folder_ / "planted-setup.exe").c_str(), FALSE));
    // Wine is told to prefer a native DLL of that name for these two
    // programs (what WINEDLLOVERRIDES=oleaut32=n,b does for a whole run), as
    // Windows does for any DLL that is not a known system one.
    ScopedRegKey probeOverride(HKEY_CURRENT_USER,
                               "Software\\Wine\\AppDefaults\\planted-probe.exe\\DllOverrides");
    ScopedRegKey setupOverride(HKEY_CURRENT_USER,
                               "Software\\Wine\\AppDefaults\\planted-setup.exe\\DllOverrides");
    ASSERT_TRUE(probeOverride.Fresh() && setupOverride.Fresh());
    probeOverride.Create();
    probeOverride.SetString("oleaut32", "native,builtin");
    setupOverride.Create();
    setupOverride.SetString("oleaut32", "native,builtin");

    // Counter-check: a program without the hardening loads the planted DLL.
    {
        e2e::Process probe(folder_ / "planted-probe.exe", "", folder_.Path());
        ASSERT_TRUE(probe.Started());
        probe.Wait();
        ASSERT_TRUE(FileExists(marker)) << "the planted DLL is not loaded at all";
        DeleteFileA(marker.c_str());
    }

    e2e::Process installer(folder_ / "planted-setup.exe", "", folder_.Path());
    HWND dialog = MainDialog(installer);
    ASSERT_NE(dialog, nullptr);
    // The logo shows: the system's picture loader was loaded, not ours.
    EXPECT_TRUE(e2e::WaitForCentreColour(GetDlgItem(dialog, kLogo), Bluish));
    e2e::SaveScreenshot("planted-dll");
    EXPECT_FALSE(FileExists(marker));
    e2e::Click(dialog, kExit);
    EXPECT_EQ(installer.Wait(), 3u);
    EXPECT_FALSE(FileExists(marker));
}

// ---- Today's screens --------------------------------------------------------------

// Every control's rectangle in the dialog's client area, as fractions of it.
std::vector<RECT> RelativeLayout(HWND dialog, SIZE& client) {
    RECT area{};
    GetClientRect(dialog, &area);
    client = SIZE{area.right, area.bottom};
    std::vector<RECT> layout;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        // Per mille of the client size.
        layout.push_back(RECT{rect.left * 1000 / area.right, rect.top * 1000 / area.bottom,
                              rect.right * 1000 / area.right, rect.bottom * 1000 / area.bottom});
    }
    return layout;
}

// The dialog grows with the screen's DPI (Wine's LogPixels), its controls
// keep their places relative to it, and the widgets draw at their size.
TEST_F(InstallerE2E, TheDialogScalesWithTheScreensDpi) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    DWORD saved = 0, size = sizeof saved, type = 0;
    const bool hadValue = RegQueryValueExA(key, "LogPixels", nullptr, &type,
                                           reinterpret_cast<BYTE*>(&saved), &size) == ERROR_SUCCESS;
    SIZE base{};
    std::vector<RECT> baseLayout;
    for (const DWORD dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof dpi);
        e2e::Process installer(NERRO_DEMO_SETUP_EXE, "", folder_.Path());
        HWND dialog = MainDialog(installer);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(e2e::WaitForCentreColour(GetDlgItem(dialog, kLogo), Bluish));
        SIZE client{};
        const std::vector<RECT> layout = RelativeLayout(dialog, client);
        if (dpi == 96) {
            base = client;
            baseLayout = layout;
        } else {
            // Dialog units follow the font, which follows the DPI.
            EXPECT_GT(client.cx * 96, base.cx * static_cast<LONG>(dpi) * 85 / 100);
            ASSERT_EQ(layout.size(), baseLayout.size());
            for (size_t i = 0; i < layout.size(); ++i) {
                EXPECT_NEAR(layout[i].left, baseLayout[i].left, 15) << "control " << i;
                EXPECT_NEAR(layout[i].top, baseLayout[i].top, 15) << "control " << i;
                EXPECT_NEAR(layout[i].right, baseLayout[i].right, 15) << "control " << i;
                EXPECT_NEAR(layout[i].bottom, baseLayout[i].bottom, 15) << "control " << i;
            }
            if (dpi == 144) e2e::SaveScreenshot("dpi-144");
        }
        e2e::Click(dialog, kExit);
        EXPECT_EQ(installer.Wait(), 3u);
    }
    if (hadValue)
        RegSetValueExA(key, "LogPixels", 0, type, reinterpret_cast<const BYTE*>(&saved), size);
    else
        RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
}

// ---- Silent and scripted installation ---------------------------------------------

// Waits for a run that must show no window at all; returns its exit code, and
// whether a dialog of it was ever seen.
DWORD WaitWithoutWindows(e2e::Process& process, bool& sawWindow) {
    sawWindow = false;
    for (DWORD waited = 0; waited < e2e::kWaitMilliseconds; waited += 50) {
        if (!e2e::VisibleDialogs(process.Id()).empty()) sawWindow = true;
        if (WaitForSingleObject(process.Handle(), 50) == WAIT_OBJECT_0) break;
    }
    return process.Wait();
}

TEST_F(InstallerE2E, SilentInstallIntoAFolderWithSpacesWritesItsLog) {
    const std::string target = folder_ / "Silent Target With Spaces";
    const std::string log = folder_ / "setup log.txt";
    e2e::Process installer(NERRO_DEMO_SETUP_EXE, "/S \"/LOG=" + log + "\" /D=" + target,
                           folder_.Path());
    ASSERT_TRUE(installer.Started());
    bool sawWindow = true;
    EXPECT_EQ(WaitWithoutWindows(installer, sawWindow), 0u);
    EXPECT_FALSE(sawWindow);
    const std::string logText = e2e::ReadWholeFile(log);
    for (const char* file : {"NerroBlur.8bf", "NerroSharpen.8bf", "readme.txt", "nerro-uninstall.exe"}) {
        EXPECT_TRUE(FileExists(target + "\\" + file)) << file;
        EXPECT_NE(logText.find("Wrote file " + target + "\\" + file), std::string::npos) << file;
    }
    EXPECT_NE(logText.find("Set registry value HKEY_LOCAL_MACHINE\\" + UninstallKey() +
                           " [UninstallString]"),
              std::string::npos)
        << logText;
    EXPECT_NE(logText.find("Installed."), std::string::npos) << logText;
    EXPECT_EQ(installtest::ReadValues(HKEY_LOCAL_MACHINE, kRecordKey).at("Path"), target + "\\");
}

TEST_F(InstallerE2E, SilentRunsThatCannotInstallExitWithTheirCodeAndNoWindow) {
    std::string bytes = e2e::ReadWholeFile(NERRO_DEMO_SETUP_EXE);
    bytes.resize(bytes.size() - 1000);
    const std::string damaged = folder_ / "truncated-setup.exe";
    ASSERT_TRUE(e2e::WriteWholeFile(damaged, bytes));
    const struct {
        const char* what;
        std::string program, arguments;
        DWORD exitCode;
    } cases[] = {
        {"damaged pack", damaged, "/S /D=" + (folder_ / "never"), 1},
        {"unknown switch", NERRO_DEMO_SETUP_EXE, "/S /X", 2},
        {"a relative folder", NERRO_DEMO_SETUP_EXE, "/S /D=relative\\folder", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        e2e::Process installer(c.program, c.arguments, folder_.Path());
        ASSERT_TRUE(installer.Started());
        bool sawWindow = true;
        EXPECT_EQ(WaitWithoutWindows(installer, sawWindow), c.exitCode);
        EXPECT_FALSE(sawWindow);
        EXPECT_FALSE(installtest::KeyExists(HKEY_LOCAL_MACHINE, kRecordKey));
        EXPECT_FALSE(installtest::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
    }
    EXPECT_FALSE(FileExists(folder_ / "never"));
}

// A vendor signs the installer (Authenticode, a certificate table behind the
// pack): it still finds its pack and installs.
TEST_F(InstallerE2E, ASignedInstallerInstalls) {
#ifndef NERRO_DEMO_SIGNED_SETUP_EXE
    GTEST_SKIP() << "no signed demo installer: openssl or osslsigncode was missing at build time";
#else
    {
        const std::string bytes = e2e::ReadWholeFile(NERRO_DEMO_SIGNED_SETUP_EXE);
        MemoryFile signedFile(bytes);
        ASSERT_TRUE(findPeCertificateTable(signedFile, bytes.size()).has_value())
            << "the demo installer is not signed";
    }
    const std::string target = folder_ / "Signed Target";
    e2e::Process installer(NERRO_DEMO_SIGNED_SETUP_EXE, "/S /D=" + target, folder_.Path());
    ASSERT_TRUE(installer.Started());
    bool sawWindow = true;
    EXPECT_EQ(WaitWithoutWindows(installer, sawWindow), 0u);
    EXPECT_FALSE(sawWindow);
    for (const char* file : {"NerroBlur.8bf", "NerroSharpen.8bf", "readme.txt", "nerro-uninstall.exe"})
        EXPECT_EQ(e2e::ReadWholeFile(target + "\\" + file),
                  e2e::ReadWholeFile(std::string(NERRO_DEMO_PRODUCT) + "\\" + file))
            << file;
#endif
}

}  // namespace
