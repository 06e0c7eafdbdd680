// A product whose texts, names and folders go beyond any one code page,
// installed by the real installer on an English system (ANSI code page 1252)
// silently and through the dialog, into a folder with Polish and Japanese
// letters and into one deeper than 260 characters, then removed by its
// uninstall program: every file byte for byte under its name, the uninstall
// entry's name exactly as written, the shortcut under its name, and the
// drive and registry as before.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "foundation/text_decoding.h"
#include "foundation/tinifile.h"
#include "foundation/utf8.h"
#include "tests/e2e/e2e_driver.h"
#include "tests/e2e/e2e_packs.h"
#include "tests/install/install_test_support.h"
#include "tests/install/uninstall_run_support.h"

namespace {

using installtest::TestFolder;

// UTF-8 throughout, with a byte order mark, as a vendor's editor saves it.
constexpr const char* kProductName = "Ærøskøbing Lumen Filters";
constexpr const char* kRecordKey = "Software\\Nerro\\Ærøskøbing Lumen";
constexpr const char* kReadmeShortcut = "Ærøskøbing 東京 – Read me";
constexpr const char* kUninstallShortcut = "Uninstall Ærøskøbing Lumen";
// Entry name -> the name it gets in the installation folder.
const struct {
    const char* entry;
    const char* created;
    const char* demoFile;  // whose bytes it carries
} kFiles[] = {
    {"Lumen Café.8bf", "Lumen Café.8bf", "NerroBlur.8bf"},
    {"Łódź Sharpen.8bf", "東京 Filters\\Łódź Sharpen.8bf", "NerroSharpen.8bf"},
    {"readme.txt", "Прочти меня.txt", "readme.txt"},
    {"nerro-uninstall.exe", "nerro-uninstall.exe", "nerro-uninstall.exe"},
};

std::string Configuration() {
    std::string ini = "\xEF\xBB\xBF[General]\r\n";
    ini += "Title=Ærøskøbing Lumen Filters – 東京 Setup\r\n";
    ini += std::string("Product name=") + kProductName + "\r\n";
    ini += "Version=2.0\r\nPublisher=Łukasz Żółć\r\n";
    ini += std::string("Registry key=") + kRecordKey + "\r\n";
    ini += "Default folder=\\Ærøskøbing Lumen\r\nBuilt-in hosts=0\r\n";
    ini += "Number of file types=0\r\nNumber of files=4\r\n";
    int index = 0;
    for (const auto& file : kFiles) {
        ini += "[" + std::to_string(index) + "]\r\n";
        ini += std::string("Name=") + file.entry + "\r\nCreate name=" + file.created + "\r\n";
        if (index == 2) ini += std::string("Shortcut name=") + kReadmeShortcut + "\r\n";
        if (index == 3) ini += std::string("Shortcut name=") + kUninstallShortcut + "\r\n";
        ini += "Can uninstall=1\r\n";
        ++index;
    }
    return ini;
}

// "Установить" (Install) in code page 1251.
constexpr const char* kInstallCp1251 = "\xD3\xF1\xF2\xE0\xED\xEE\xE2\xE8\xF2\xFC";

std::string LegacyCatalogue(bool declared) {
    std::string text = "[Info]\r\n";
    if (declared) text += "Code page=1251\r\n";
    return text + "[Main]\r\n1001=" + kInstallCp1251 + "\r\n";
}

std::string ProgramsFolder() {
    wchar_t path[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAMS, FALSE);
    return WideToUtf8(path);
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(Utf8ToWidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string UninstallKey() {
    return std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
           kProductName;
}

class UnicodeE2E : public testing::Test {
protected:
    void SetUp() override {
        e2e::PackContents contents = e2e::DemoProductContents();
        e2e::PackContents product;
        for (const auto& file : kFiles)
            product[file.entry] = contents.at(file.demoFile);
        product["Nerro.ini"] = Configuration();
        product["logo.bmp"] = contents.at("logo.bmp");
        for (const char* catalogue : {"English.clg", "Japanese.clg", "Russian.clg"})
            product[catalogue] = contents.at(catalogue);
        // Catalogues written for the installers of old: Russian in code page
        // 1251, once declaring it and once not.
        product["Declared.clg"] = LegacyCatalogue(true);
        product["Undeclared.clg"] = LegacyCatalogue(false);
        product_ = product;
        ASSERT_TRUE(e2e::WriteInstaller(installer_, NERRO_SETUP_EXE, product));
        drive_ = installtest::DriveSnapshot("C:");
        registry_ = installtest::RegistrySnapshot(HKEY_LOCAL_MACHINE, "HKLM");
    }

    // Checks what the installation into target left, then removes it with
    // its uninstall program and checks that the drive and registry are as
    // before.
    // Wine cannot start a program whose path is 260 characters or longer,
    // not even by its short form (Windows can, by the short form the entry
    // holds): for a deep folder the uninstall program runs from a copy
    // outside, which removes the same record, its original included.
    void CheckInstalledAndUninstall(const std::string& target, bool startFromCopy = false) {
        for (const auto& file : kFiles) {
            SCOPED_TRACE(file.created);
            const std::string path = target + "\\" + file.created;
            ASSERT_TRUE(Exists(path));
            EXPECT_TRUE(e2e::ReadWholeFile(path) == product_.at(file.entry));
        }
        for (const char* shortcut : {kReadmeShortcut, kUninstallShortcut})
            EXPECT_TRUE(Exists(ProgramsFolder() + "\\" + shortcut + ".lnk")) << shortcut;
        const auto entry = installtest::ReadValues(HKEY_LOCAL_MACHINE, UninstallKey());
        ASSERT_FALSE(entry.empty()) << "no uninstall entry named " << kProductName;
        EXPECT_EQ(entry.at("DisplayName"), kProductName);
        EXPECT_EQ(entry.at("Publisher"), "Łukasz Żółć");
        EXPECT_EQ(entry.at("InstallLocation"), target + "\\");
        const auto record = installtest::ReadValues(HKEY_LOCAL_MACHINE, kRecordKey);
        ASSERT_FALSE(record.empty());
        EXPECT_EQ(record.at("Path"), target + "\\");

        std::string command = entry.at("QuietUninstallString");
        if (startFromCopy) {
            const std::string copy = folder_ / "nerro-uninstall.exe";
            ASSERT_TRUE(e2e::WriteWholeFile(
                copy, e2e::ReadWholeFile(target + "\\nerro-uninstall.exe")));
            command = "\"" + copy + "\" /S " + kRecordKey;
        }
        const installtest::RunResult removal = installtest::RunProgram(command, true, 120000);
        EXPECT_EQ(removal.exitCode, 0u);
        EXPECT_TRUE(removal.messages.empty());
        EXPECT_EQ(installtest::SnapshotDifference(drive_, installtest::DriveSnapshot("C:")), "");
        EXPECT_EQ(installtest::SnapshotDifference(
                      registry_, installtest::RegistrySnapshot(HKEY_LOCAL_MACHINE, "HKLM")),
                  "");
    }

    TestFolder folder_;
    const std::string installer_ = folder_ / "Ærøskøbing Setup.exe";
    e2e::PackContents product_;
    std::set<std::string> drive_;
    std::set<std::string> registry_;
};

// A folder of Polish and Japanese letters in the users folder, and one of 60
// letters nested five times (over 300 characters in all).
std::string PolishAndJapaneseFolder() {
    return "C:\\users\\Łukasz\\東京 Plug-ins";
}

std::string DeepFolder(const std::string& base) {
    std::string path = base;
    for (int level = 0; level < 5; ++level)
        path += "\\" + std::to_string(level) + " Łódź 東京 " + std::string(50, 'x');
    return path;
}

TEST_F(UnicodeE2E, SilentInstallIntoFoldersBeyondOneCodePageAndPast260Characters) {
    for (const bool deep : {false, true}) {
        const std::string target = deep ? DeepFolder(folder_.Path()) : PolishAndJapaneseFolder();
        SCOPED_TRACE(target);
        ASSERT_FALSE(Exists(target));
        const std::string log = folder_ / "журнал.log";
        e2e::Process installer(installer_, "/S \"/LOG=" + log + "\" /D=" + target,
                               folder_.Path());
        ASSERT_TRUE(installer.Started());
        ASSERT_EQ(installer.Wait(), 0u) << e2e::ReadWholeFile(log);
        // The log is UTF-8 and names the files as they are.
        EXPECT_NE(e2e::ReadWholeFile(log).find(target + "\\Lumen Café.8bf"), std::string::npos);
        CheckInstalledAndUninstall(target, deep);
        DeleteFileW(Utf8ToWidePath(log).c_str());
    }
}

bool IsAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Picks the language called name in the dialog's list; false when absent.
bool SelectLanguage(HWND dialog, const std::string& name) {
    const std::vector<std::string> languages = e2e::ComboItems(GetDlgItem(dialog, 1010));
    for (size_t index = 0; index < languages.size(); ++index) {
        if (languages[index] != name) continue;
        e2e::SelectComboItem(dialog, 1010, static_cast<int>(index));
        Sleep(300);
        return true;
    }
    return false;
}

TEST_F(UnicodeE2E, TheDialogShowsEveryLanguageAndInstallsIntoATypedFolder) {
    const std::string target = PolishAndJapaneseFolder();
    e2e::Process installer(installer_, "", folder_.Path());
    HWND dialog = e2e::WaitForDialogWithControl(installer.Id(), 1011);
    ASSERT_NE(dialog, nullptr);

    // Japanese and Russian (UTF-8), shown on an English system.
    for (const char* language : {"Japanese", "Russian"}) {
        SCOPED_TRACE(language);
        const std::string& catalogue = product_.at(std::string(language) + ".clg");
        TIniFile texts;
        ASSERT_TRUE(ParseTextFile(texts, reinterpret_cast<const uint8_t*>(catalogue.data()),
                                  catalogue.size(), "Info"));
        const std::string install = texts.GetString("Main", "1001", "");
        ASSERT_FALSE(IsAscii(install)) << install;
        ASSERT_TRUE(SelectLanguage(dialog, language));
        EXPECT_EQ(e2e::ControlText(dialog, 1001), install);
        e2e::SaveScreenshot(std::string("unicode-") + language);
    }
    // A code page 1251 catalogue that declares it reads right; one that does
    // not is read in the system's code page (1252 here), as it always was.
    ASSERT_TRUE(SelectLanguage(dialog, "Declared"));
    EXPECT_EQ(e2e::ControlText(dialog, 1001), "Установить");
    ASSERT_TRUE(SelectLanguage(dialog, "Undeclared"));
    EXPECT_EQ(e2e::ControlText(dialog, 1001), "Óñòàíîâèòü");
    ASSERT_TRUE(SelectLanguage(dialog, "English"));

    e2e::SetControlText(dialog, 1002, target);
    EXPECT_EQ(e2e::ControlText(dialog, 1002), target);
    e2e::SaveScreenshot("unicode-before-install");
    e2e::Click(dialog, 1001);
    HWND box = e2e::WaitForMessageBox(installer.Id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::Text(box), kProductName);
    e2e::Command(box, IDOK);
    ASSERT_EQ(installer.Wait(), 0u);
    CheckInstalledAndUninstall(target);
}

}  // namespace
