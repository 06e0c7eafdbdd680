// Reading "Nerro.ini" into the configuration records: keys, defaults,
// numbering rules and integer parsing.
#include <gtest/gtest.h>

#include <string>

#include "config/install_config.h"
#include "foundation/tinifile.h"

namespace {

// The configuration of an INI text, read into config (which may hold an
// earlier configuration).
std::string readInto(const std::string& text, InstallConfiguration& config) {
    TIniFile ini;
    ini.Parse(text.c_str());
    return ReadConfiguration(ini, config);
}

TEST(ConfigReadTest, EmptyTextGivesDefaults) {
    InstallConfiguration config;
    EXPECT_EQ(readInto("", config), "Ostrel Ltd");
    const InstallSettings& s = config.settings;
    EXPECT_EQ(s.productName, "");
    EXPECT_EQ(s.noticeText, "");
    EXPECT_EQ(s.registryKey, "");
    EXPECT_EQ(s.defaultFolder, "");
    EXPECT_EQ(s.defaultProgramFolder, "");
    EXPECT_EQ(s.mainExecutable, 0);
    EXPECT_EQ(s.readme, 0);
    EXPECT_EQ(s.runWithInstall, 0);
    EXPECT_EQ(s.runWithUninstall, 0);
    EXPECT_EQ(s.advancedOptions, 0);
    EXPECT_EQ(s.advancedOptionsDefault, 0);
    EXPECT_TRUE(config.files.empty());
    EXPECT_TRUE(config.fileTypes.empty());
    EXPECT_EQ(config.fileCount, 0);
    EXPECT_EQ(config.fileTypeCount, 0);
}

TEST(ConfigReadTest, GeneralKeysFillTheirFields) {
    InstallConfiguration config;
    const std::string title = readInto(
        "[General]\n"
        "Title=Nerro Filters Setup\n"
        "Product name=Nerro Filters 2.1\n"
        "Copyright=(c) Nerro Labs\n"
        "Registry key=Software\\Nerro\\Filters\n"
        "Default folder=\\Nerro Filters\n"
        "Default program folder=Nerro\n"
        "Main executable=2\n"
        "Readme=3\n"
        "Run with '/install'=4\n"
        "Run with '/uninstall'=5\n"
        "Advanced options=6\n"
        "Advanced options def=7\n",
        config);
    EXPECT_EQ(title, "Nerro Filters Setup");
    const InstallSettings& s = config.settings;
    EXPECT_EQ(s.productName, "Nerro Filters 2.1");
    EXPECT_EQ(s.noticeText, "(c) Nerro Labs");
    EXPECT_EQ(s.registryKey, "Software\\Nerro\\Filters");
    EXPECT_EQ(s.defaultFolder, "\\Nerro Filters");
    EXPECT_EQ(s.defaultProgramFolder, "Nerro");
    EXPECT_EQ(s.mainExecutable, 2);
    EXPECT_EQ(s.readme, 3);
    EXPECT_EQ(s.runWithInstall, 4);
    EXPECT_EQ(s.runWithUninstall, 5);
    EXPECT_EQ(s.advancedOptions, 6);
    EXPECT_EQ(s.advancedOptionsDefault, 7);
}

// The keys of the uninstall entry: optional, and "Product ID" falls back to
// "Product name" so that older configurations keep their entry's key.
TEST(ConfigReadTest, UninstallEntryKeysAndTheirDefaults) {
    InstallConfiguration config;
    readInto("[General]\nProduct name=Nerro Filters 2.2\n", config);
    EXPECT_EQ(config.settings.productId, "Nerro Filters 2.2");
    EXPECT_EQ(config.settings.version, "");
    EXPECT_EQ(config.settings.publisher, "");
    EXPECT_EQ(config.settings.helpLink, "");
    readInto("[General]\nProduct name=Nerro Filters 2.2\nProduct ID=NerroFilters\n"
             "Version=2.2\nPublisher=Nerro Labs\nHelp link=https://example.com\n",
             config);
    EXPECT_EQ(config.settings.productId, "NerroFilters");
    EXPECT_EQ(config.settings.version, "2.2");
    EXPECT_EQ(config.settings.publisher, "Nerro Labs");
    EXPECT_EQ(config.settings.helpLink, "https://example.com");
}

// Host sections are read from "Host 0" on, up to the first missing one.
TEST(ConfigReadTest, HostSectionsAreConsecutiveFromZero) {
    InstallConfiguration config;
    readInto("[General]\nBuilt-in hosts=0\n"
             "[Host 0]\nName=Photoshop {key}\nRoot=HKLM\nKey=SOFTWARE\\Adobe\\Photoshop\\*\n"
             "Value=ApplicationPath\nSub-folder=Plug-ins\nView=64\n"
             "[Host 1]\nName=Shared\nFolder=%CommonProgramFiles%\\Adobe\\Plug-Ins\\CC\n"
             "[Host 3]\nName=Not read: Host 2 is missing\nFolder=C:\\X\n",
             config);
    EXPECT_FALSE(config.builtInHosts);
    ASSERT_EQ(config.hosts.size(), 2u);
    EXPECT_EQ(config.hosts[0].name, "Photoshop {key}");
    EXPECT_EQ(config.hosts[0].root, "HKLM");
    EXPECT_EQ(config.hosts[0].key, "SOFTWARE\\Adobe\\Photoshop\\*");
    EXPECT_EQ(config.hosts[0].value, "ApplicationPath");
    EXPECT_EQ(config.hosts[0].subFolder, "Plug-ins");
    EXPECT_EQ(config.hosts[0].view, "64");
    EXPECT_EQ(config.hosts[1].folder, "%CommonProgramFiles%\\Adobe\\Plug-Ins\\CC");
    readInto("", config);
    EXPECT_TRUE(config.builtInHosts);
    EXPECT_TRUE(config.hosts.empty());
}

TEST(ConfigReadTest, FlagsAreIntegersReadWithBaseZero) {
    const struct {
        const char* value;
        int32_t expected;
    } cases[] = {
        {"yes", 0}, {"1", 1}, {"0x1", 1}, {"0", 0}, {"010", 8}, {"-3", -3}, {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        InstallConfiguration config;
        readInto(std::string("[General]\nRun with '/uninstall'=") + c.value + "\n", config);
        EXPECT_EQ(config.settings.runWithUninstall, c.expected);
    }
}

TEST(ConfigReadTest, FilesAreNumberedFromZeroUpToTheirCount) {
    InstallConfiguration config;
    readInto(
        "[General]\nNumber of files=3\n"
        "[0]\nName=a.8bf\nCreate name=Sub\\a.8bf\nShortcut name=Alpha\nArguments=-x\n"
        "To windows folder=1\nTo system folder=0x2\nCan uninstall=yes\n"
        "[2]\nName=c.exe\nCan uninstall=1\n"
        "[3]\nName=never read\n",
        config);
    ASSERT_EQ(config.files.size(), 3u);
    const FileEntry& first = config.files[0];
    EXPECT_EQ(first.name, "a.8bf");
    EXPECT_EQ(first.createName, "Sub\\a.8bf");
    EXPECT_EQ(first.shortcutName, "Alpha");
    EXPECT_EQ(first.arguments, "-x");
    EXPECT_EQ(first.toWindowsFolder, 1);
    EXPECT_EQ(first.toSystemFolder, 2);
    EXPECT_EQ(first.canUninstall, 0);
    // Section [1] is missing: a record of defaults.
    const FileEntry& missing = config.files[1];
    EXPECT_EQ(missing.name, "");
    EXPECT_EQ(missing.createName, "");
    EXPECT_EQ(missing.canUninstall, 0);
    EXPECT_EQ(config.files[2].name, "c.exe");
    EXPECT_EQ(config.files[2].canUninstall, 1);
}

TEST(ConfigReadTest, CountsOfZeroOrLessReadNoGroup) {
    for (const char* count : {"0", "-1", "-2147483648", "none"}) {
        SCOPED_TRACE(count);
        InstallConfiguration config;
        readInto(std::string("[General]\nNumber of files=") + count +
                     "\nNumber of file types=" + count + "\n[0]\nName=a\n",
                 config);
        EXPECT_TRUE(config.files.empty());
        EXPECT_TRUE(config.fileTypes.empty());
    }
}

TEST(ConfigReadTest, FileTypeKeysLiveInGeneral) {
    InstallConfiguration config;
    readInto(
        "[General]\nNumber of file types=2\n"
        "File type 0.Description=Nerro palette\n"
        "File type 0.Name=NerroPalette\n"
        "File type 0.Extensions=.npl;.npx\n"
        "File type 0.Icon=3\n"
        "File type 0.Open command=open.exe\n"
        "File type 0.Open command file=1\n"
        "[File type 1]\nDescription=in a section of its own: not read\n",
        config);
    ASSERT_EQ(config.fileTypes.size(), 2u);
    const FileTypeEntry& type = config.fileTypes[0];
    EXPECT_EQ(type.description, "Nerro palette");
    EXPECT_EQ(type.name, "NerroPalette");
    EXPECT_EQ(type.extensions, ".npl;.npx");
    EXPECT_EQ(type.icon, 3);
    EXPECT_EQ(type.openCommand, "open.exe");
    EXPECT_EQ(type.openCommandFile, 1);
    EXPECT_EQ(config.fileTypes[1].description, "");
}

TEST(ConfigReadTest, HugeCountIsCappedButKeptAsWritten) {
    InstallConfiguration config;
    readInto("[General]\nNumber of files=2000000000\n", config);
    EXPECT_EQ(config.fileCount, 2000000000);
    EXPECT_EQ(config.files.size(), static_cast<size_t>(kMaxConfigListCount));
}

TEST(ConfigReadTest, ReadingAgainReplacesEverything) {
    InstallConfiguration config;
    readInto(
        "[General]\nProduct name=Old\nNumber of files=2\nNumber of file types=1\n"
        "[0]\nName=a\n[1]\nName=b\n",
        config);
    // Values no key of the new text sets.
    config.settings.registryKey = "Software\\Old";
    config.settings.helpLink = "https://old.example/";

    EXPECT_EQ(readInto("[General]\nTitle=New\nNumber of files=1\n[0]\nName=c\n", config), "New");
    EXPECT_EQ(config.settings.productName, "");
    EXPECT_EQ(config.settings.registryKey, "");
    EXPECT_EQ(config.settings.helpLink, "");
    ASSERT_EQ(config.files.size(), 1u);
    EXPECT_EQ(config.files[0].name, "c");
    EXPECT_TRUE(config.fileTypes.empty());
}

}  // namespace
