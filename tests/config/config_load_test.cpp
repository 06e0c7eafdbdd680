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
#include "pack/pack_file.h"

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

}  // namespace
