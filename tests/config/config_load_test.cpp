// Loading the configuration from a pack: the logo handed to its sink, the
// settings read from "Nerro.ini", and a pack missing either entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "config/config_check.h"
#include "config/install_config.h"
#include "foundation/byte_file.h"
#include "foundation/code_page.h"
#include "foundation/tinifile.h"
#include "pack/pack_file.h"
#include "tests/foundation/text_test_support.h"

namespace {

namespace fs = std::filesystem;

class RecordingLogo : public LogoSink {
public:
    void SetLogo(const uint8_t* data, uint32_t size) override {
        calls.emplace_back(reinterpret_cast<const char*>(data), size);
    }
    std::vector<std::string> calls;
};

const char* const kIni =
    "[General]\n"
    "Title=Nerro Setup\n"
    "Product name=Nerro Filters\n"
    "Registry key=Software\\Nerro\n"
    "Default folder=\\Nerro\n"
    "Number of files=1\n"
    "[0]\n"
    "Name=nerro-uninstall.exe\n"
    "Create name=Uninstall.exe\n";

class ConfigLoadTest : public ::testing::Test {
protected:
    ConfigLoadTest() {
        std::random_device random;
        dir_ = fs::temp_directory_path() /
               ("nerro-config-test-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(dir_);
    }
    ~ConfigLoadTest() override {
        std::error_code ignored;
        fs::current_path(startFolder_, ignored);
        fs::remove_all(dir_, ignored);
    }

    // A pack file of those entries behind a small stub; the logo is stored
    // with the block codec so that loading it decodes a stream.
    std::string MakePack(const std::map<std::string, std::string>& entries) {
        const std::string path = (dir_ / "setup.exe").string();
        std::ofstream(path, std::ios::binary) << "MZ stub bytes";
        TPackFile pack(path.c_str(), true);
        for (const auto& [name, data] : entries) {
            MemoryFile input(data);
            const uint32_t mode = name == kLogoEntryName ? kPackModeBlock : kPackModeStore;
            EXPECT_NE(pack.AddStream(input, name.c_str(), mode), nullptr);
        }
        return path;
    }

    // LoadConfiguration of a pack that holds "Nerro.ini" of those bytes alone.
    ConfigurationLoad LoadIni(const std::string& bytes, InstallConfiguration& config) {
        const std::string path = MakePack({{"Nerro.ini", bytes}});
        TPackFile pack(path.c_str(), false);
        RecordingLogo sink;
        return LoadConfiguration(pack, sink, config);
    }

    fs::path dir_;
    fs::path startFolder_ = fs::current_path();
};

TEST_F(ConfigLoadTest, LogoGoesToTheSinkAndIniIsRead) {
    const std::string logo = std::string("BM\0\x01\x02 logo bytes", 16) + std::string(3000, 'L');
    const std::string path =
        MakePack({{"Nerro.ini", kIni}, {"logo.bmp", logo}, {"nerro-uninstall.exe", "program"}});
    TPackFile pack(path.c_str(), false);
    RecordingLogo sink;
    InstallConfiguration config;
    config.settings.helpLink = "stale";

    const ConfigurationLoad load = LoadConfiguration(pack, sink, config);

    EXPECT_TRUE(load.hasLogo);
    EXPECT_TRUE(load.hasIni);
    EXPECT_EQ(load.title, "Nerro Setup");
    EXPECT_EQ(sink.calls, std::vector<std::string>{logo});
    EXPECT_EQ(config.settings.productName, "Nerro Filters");
    EXPECT_EQ(config.settings.helpLink, "");
    ASSERT_EQ(config.files.size(), 1u);
    EXPECT_EQ(config.files[0].createName, "Uninstall.exe");
    EXPECT_TRUE(CheckConfiguration(config, PackProductFiles(pack)).empty());
}

TEST_F(ConfigLoadTest, PackWithoutLogoLeavesTheSinkAlone) {
    // A loose "logo.bmp" in the current folder is not the product's logo.
    std::ofstream(dir_ / "logo.bmp", std::ios::binary) << "BM loose";
    fs::current_path(dir_);
    const std::string path = MakePack({{"Nerro.ini", kIni}, {"nerro-uninstall.exe", "program"}});
    TPackFile pack(path.c_str(), false);
    RecordingLogo sink;
    InstallConfiguration config;

    const ConfigurationLoad load = LoadConfiguration(pack, sink, config);

    EXPECT_FALSE(load.hasLogo);
    EXPECT_TRUE(load.hasIni);
    EXPECT_TRUE(sink.calls.empty());
    const auto problems = CheckConfiguration(config, PackProductFiles(pack));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].text, "\"logo.bmp\" is missing from the pack");
}

TEST_F(ConfigLoadTest, IniMissingFromThePackIsReadFromTheCurrentFolder) {
    std::ofstream(dir_ / "Nerro.ini", std::ios::binary) << "[General]\nTitle=Loose file\n";
    fs::current_path(dir_);
    const std::string path = MakePack({{"logo.bmp", "BM"}});
    TPackFile pack(path.c_str(), false);
    RecordingLogo sink;
    InstallConfiguration config;

    const ConfigurationLoad load = LoadConfiguration(pack, sink, config);

    EXPECT_TRUE(load.hasIni);
    EXPECT_EQ(load.title, "Loose file");
}

TEST_F(ConfigLoadTest, NoIniAnywhereGivesDefaults) {
    fs::current_path(dir_);
    const std::string path = MakePack({{"logo.bmp", "BM"}});
    TPackFile pack(path.c_str(), false);
    RecordingLogo sink;
    InstallConfiguration config;
    config.files.resize(3);

    const ConfigurationLoad load = LoadConfiguration(pack, sink, config);

    EXPECT_FALSE(load.hasIni);
    EXPECT_EQ(load.title, "Ostrel Ltd");
    EXPECT_TRUE(config.files.empty());
    const auto problems = CheckConfiguration(config, PackProductFiles(pack));
    EXPECT_TRUE(HasConfigErrors(problems));
}

// "Łódź Filters", and the title "Café" in UTF-8.
const char* const kLodzUtf8 = "\xC5\x81\xC3\xB3\x64\xC5\xBA Filters";
const char* const kCafeUtf8 = "Caf\xC3\xA9";

std::string iniWith(const std::string& title, const std::string& productName,
                    const std::string& extra = "") {
    return "[General]\r\n" + extra + "Title=" + title + "\r\nProduct name=" + productName +
           "\r\nNumber of files=0\r\n";
}

// "Café" as the system's ANSI code page reads byte E9 (1252 off Windows).
std::string systemCafe() {
    std::string text;
    EXPECT_TRUE(CodePageToUtf8(kSystemCodePage, "Caf\xE9", text));
    return text;
}

TEST_F(ConfigLoadTest, IniIsReadInEachEncoding) {
    const std::string utf8 = iniWith(kCafeUtf8, kLodzUtf8);
    // "Привет" (hello) in code page 1251, and in UTF-8.
    const std::string helloCp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
    const std::string helloUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    const struct {
        const char* what;
        std::string bytes;
        std::string title;
        std::string productName;
    } cases[] = {
        {"UTF-8", utf8, kCafeUtf8, kLodzUtf8},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + utf8, kCafeUtf8, kLodzUtf8},
        {"UTF-16 little-endian", texttest::utf16File(utf8), kCafeUtf8, kLodzUtf8},
        {"UTF-16 big-endian", texttest::utf16File(utf8, true), kCafeUtf8, kLodzUtf8},
        {"code page 1251 declared", iniWith(helloCp1251, "Plain", "Code page=1251\r\n"),
         helloUtf8, "Plain"},
        {"an old ANSI file", iniWith("Caf\xE9", "Plain"), systemCafe(), "Plain"},
        {"a line at the limit", iniWith("T", std::string(TIniFile::kMaxLineLength - 13, 'p')),
         "T", std::string(TIniFile::kMaxLineLength - 13, 'p')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallConfiguration config;
        const ConfigurationLoad load = LoadIni(c.bytes, config);
        EXPECT_TRUE(load.hasIni);
        EXPECT_EQ(load.title, c.title);
        EXPECT_EQ(config.settings.productName, c.productName);
    }
}

TEST_F(ConfigLoadTest, IniThatCannotBeReadCountsAsMissing) {
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"an unknown code page", iniWith("Caf\xE9", "Plain", "Code page=9999\r\n")},
        {"a line too long", iniWith("T", std::string(TIniFile::kMaxLineLength - 12, 'p'))},
        {"a line too long in UTF-16",
         texttest::utf16File(iniWith("T", "x", "Copyright=" + std::string(70000, 'c') + "\r\n"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallConfiguration config;
        const ConfigurationLoad load = LoadIni(c.bytes, config);
        EXPECT_FALSE(load.hasIni);
        // Nothing of it is read, not even the lines before the long one.
        EXPECT_EQ(load.title, kDefaultTitle);
        EXPECT_EQ(config.settings.productName, "");
    }
}

}  // namespace
