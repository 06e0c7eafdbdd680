// Host detection on the real registry: the tests create the hosts' keys
// themselves and delete them again.
#include "installer/host_detect.h"
#include "installer/vendor_hosts.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "install_test_support.h"
#include "platform/kernel_handles.h"
#include "platform/win_text.h"

namespace {

using installtest::ScopedRegKey;

TEST(HostTable, RowsInProbingOrder) {
    struct Row {
        const char* name;
        HKEY root;
        const char* key;
        const char* value;
        const char* suffix;
    };
    const Row expected[] = {
        {"Macromedia Fireworks MX", HKEY_LOCAL_MACHINE,
         "Software\\Macromedia\\Fireworks\\6\\Installation", "InstallPath", "Plug-Ins\\"},
        {"Jasc Paint Shop Pro 7", HKEY_CURRENT_USER,
         "Software\\Jasc\\Paint Shop Pro 7\\ImageProcessingFilter", "Directory1", ""},
        {"Adobe Photoshop 6", HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\6.0", "PluginPath",
         ""},
        {"Jasc Paint Shop Pro 8", HKEY_CURRENT_USER,
         "Software\\Jasc\\Paint Shop Pro 8\\FileLocations\\PlugIns\\0", "Dir", ""},
        {"Adobe Photoshop 7", HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\7.0", "PluginPath",
         ""},
        {"Adobe Photoshop 7 CE", HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\7.0 CE",
         "PluginPath", ""},
        {"Adobe Photoshop CS 8", HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\8.0\\PluginPath",
         "", ""},
    };
    size_t row = 0;
    for (; kHostApplications[row].displayName[0] != '\0'; ++row) {
        ASSERT_LT(row, std::size(expected));
        const HostApplication& host = kHostApplications[row];
        EXPECT_STREQ(host.displayName, expected[row].name);
        EXPECT_EQ(host.root, expected[row].root) << host.displayName;
        EXPECT_STREQ(host.keyPath, expected[row].key);
        EXPECT_STREQ(host.valueName, expected[row].value);
        EXPECT_STREQ(host.suffix, expected[row].suffix);
    }
    EXPECT_EQ(row, std::size(expected));
}

// ReadRegistryString on one key of the test's own.
class RegistryStringTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(key_.Fresh());
        key_.Create();
        HKEY opened = nullptr;
        ASSERT_EQ(RegOpenKeyW(HKEY_CURRENT_USER, Wide(key_.Path()).c_str(), &opened), ERROR_SUCCESS);
        open_.Reset(opened);
    }
    ScopedRegKey key_{HKEY_CURRENT_USER, "Software\\" + installtest::UniqueName("NerroHostTest")};
    RegKey open_;
};

TEST_F(RegistryStringTest, OnlyTextValuesAreRead) {
    key_.SetString("Text", "C:\\Plug");
    key_.SetString("", "default value");
    key_.SetString("Empty", "");
    key_.Set("Expand", REG_EXPAND_SZ, "%ProgramFiles%\\Plug");
    key_.Set("Number", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    key_.Set("Cut", REG_SZ, std::string("first\0second", 12));
    const struct {
        const char* name;
        const char* expected;
    } cases[] = {
        {"Text", "C:\\Plug"},   {"", "default value"},   {"Empty", ""},    {"Expand", "fallback"},
        {"Number", "fallback"}, {"Missing", "fallback"}, {"Cut", "first"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadRegistryString(open_.Get(), c.name, "fallback"), c.expected) << c.name;
}

TEST_F(RegistryStringTest, TextStoredWithoutItsNulEndsAtItsLength) {
    HKEY key = open_.Get();
    ASSERT_EQ(RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3),
              ERROR_SUCCESS);
    EXPECT_EQ(ReadRegistryString(key, "Bare", ""), "abc");
}

// Detection with the built-in table on keys that the test makes.
class HostDetectTest : public ::testing::Test {
protected:
    ScopedRegKey& Host(HKEY root, const char* path) {
        keys_.push_back(std::make_unique<ScopedRegKey>(root, path, installtest::kHostView));
        ScopedRegKey& key = *keys_.back();
        if (!key.Fresh()) ADD_FAILURE() << "A host key exists before the test: " << path;
        return key;
    }
    void TearDown() override {
        // Innermost first, so that each scope deletes only what it created.
        while (!keys_.empty())
            keys_.pop_back();
    }
    std::vector<std::unique_ptr<ScopedRegKey>> keys_;
};

TEST_F(HostDetectTest, NoHostKeysNoRows) {
    for (const HostApplication* host = kHostApplications; host->displayName[0]; ++host)
        ASSERT_FALSE(installtest::KeyExists(host->root, host->keyPath, installtest::kHostView))
            << host->displayName;
    EXPECT_TRUE(DetectHostApplications().empty());
}

#ifdef _WIN64
// The built-in hosts are 32-bit programs: a 64-bit installer reads their keys
// from the 32-bit view, never from its own.
TEST_F(HostDetectTest, TheSixtyFourBitViewIsNotTheBuiltInHostsView) {
    ScopedRegKey own(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\6.0", KEY_WOW64_64KEY);
    ASSERT_TRUE(own.Fresh());
    own.SetString("PluginPath", "C:\\PS6-64");
    EXPECT_TRUE(DetectHostApplications().empty());
    Host(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\6.0").SetString("PluginPath", "C:\\PS6");
    const std::vector<DetectedHost> rows = DetectHostApplications();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].folder, "C:\\PS6\\");
}
#endif

TEST_F(HostDetectTest, FoundHostsInReverseTableOrderWithTheirFolders) {
    Host(HKEY_LOCAL_MACHINE, "Software\\Macromedia\\Fireworks\\6\\Installation")
        .SetString("InstallPath", "C:\\FW");
    Host(HKEY_CURRENT_USER, "Software\\Jasc\\Paint Shop Pro 7\\ImageProcessingFilter")
        .SetString("Directory1", "D:\\PSP7\\Filters\\");
    Host(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\6.0").SetString("PluginPath", "C:\\PS6");
    Host(HKEY_CURRENT_USER, "Software\\Jasc\\Paint Shop Pro 8\\FileLocations\\PlugIns\\0")
        .SetString("Dir", "C:\\PSP8");
    Host(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\7.0")
        .SetString("PluginPath", "C:\\PS7\\");
    // Photoshop CS 8 reads its key's default value; a named value is not it.
    ScopedRegKey& cs = Host(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\8.0\\PluginPath");
    cs.SetString("", "C:\\CS");
    cs.SetString("PluginPath", "C:\\Wrong");

    const std::vector<DetectedHost> rows = DetectHostApplications();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Adobe Photoshop CS 8", "C:\\CS\\"},
        {"Adobe Photoshop 7", "C:\\PS7\\"},
        {"Jasc Paint Shop Pro 8", "C:\\PSP8\\"},
        {"Adobe Photoshop 6", "C:\\PS6\\"},
        {"Jasc Paint Shop Pro 7", "D:\\PSP7\\Filters\\"},
        {"Macromedia Fireworks MX", "C:\\FW\\Plug-Ins\\"},
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].displayName, expected[i].first) << i;
        EXPECT_EQ(rows[i].folder, expected[i].second) << i;
    }
}

TEST_F(HostDetectTest, UnusableValuesLeaveTheHostOut) {
    // Each row is found nowhere: a key under the other root, an expandable
    // string, an empty text, a value of another name, a key without value.
    Host(HKEY_LOCAL_MACHINE, "Software\\Jasc\\Paint Shop Pro 7\\ImageProcessingFilter")
        .SetString("Directory1", "C:\\InTheWrongRoot");
    Host(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\7.0 CE")
        .Set("PluginPath", REG_EXPAND_SZ, "%ProgramFiles%\\PS");
    Host(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\6.0").SetString("PluginPath", "");
    Host(HKEY_LOCAL_MACHINE, "Software\\Macromedia\\Fireworks\\6\\Installation")
        .SetString("Path", "C:\\FW");
    Host(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\8.0\\PluginPath").Create();
    // The one usable row shows that the others were probed and passed over.
    Host(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\7.0").SetString("PluginPath", "E:\\PS7");

    const std::vector<DetectedHost> rows = DetectHostApplications();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].displayName, "Adobe Photoshop 7");
    EXPECT_EQ(rows[0].folder, "E:\\PS7\\");
}

TEST(HostDetectTable, ProbesOnlyUpToTheEndRow) {
    ScopedRegKey key(HKEY_CURRENT_USER, "Software\\" + installtest::UniqueName("NerroHostTable"));
    ASSERT_TRUE(key.Fresh());
    key.SetString("Folder", "C:\\Own");
    const HostApplication table[] = {
        {"First", HKEY_CURRENT_USER, key.Path().c_str(), "Folder", "Sub\\"},
        {"", nullptr, "", "", ""},
        {"Beyond the end", HKEY_CURRENT_USER, key.Path().c_str(), "Folder", ""},
    };
    const std::vector<DetectedHost> rows = DetectHostApplications(table);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].displayName, "First");
    EXPECT_EQ(rows[0].folder, "C:\\Own\\Sub\\");
}

// ---------------------------------------------------------------------------
// Hosts the vendor defines in "Nerro.ini".

HostDefinition keyHost(const std::string& name, const std::string& key, const std::string& view) {
    HostDefinition host;
    host.name = name;
    host.root = "HKLM";
    host.key = key;
    host.value = "ApplicationPath";
    host.subFolder = "Plug-ins";
    host.view = view;
    return host;
}

// A current 64-bit host keeps its keys in the 64-bit view: both the 32- and
// the 64-bit installer find it there, per-version sub-keys newest first.
TEST_F(HostDetectTest, VendorHostsInTheSixtyFourBitViewNewestFirst) {
    const std::string base = "Software\\" + installtest::UniqueName("NerroHostTest");
    std::vector<std::unique_ptr<ScopedRegKey>> keys;
    for (const char* version : {"26.0", "270.0", "120.0"}) {
        keys.push_back(std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE,
                                                      base + "\\" + version, KEY_WOW64_64KEY));
        keys.back()->SetString("ApplicationPath", std::string("C:\\PS ") + version);
    }
    // A sub-key without the value is no host.
    keys.push_back(std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, base + "\\Settings",
                                                  KEY_WOW64_64KEY));
    keys.back()->Create();

    const std::vector<DetectedHost> found =
        DetectVendorHost(keyHost("Photoshop {key} ({key})", base + "\\*", "64"));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Photoshop 270.0 (270.0)", "C:\\PS 270.0\\Plug-ins\\"},
        {"Photoshop 120.0 (120.0)", "C:\\PS 120.0\\Plug-ins\\"},
        {"Photoshop 26.0 (26.0)", "C:\\PS 26.0\\Plug-ins\\"},
    };
    ASSERT_EQ(found.size(), expected.size());
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].displayName, expected[i].first);
        EXPECT_EQ(found[i].folder, expected[i].second);
    }
    // Asked for in the 32-bit view only, the 64-bit keys are not there (on a
    // 64-bit system; a 32-bit one has a single view).
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (sizeof(void*) == 8 || wow64) {
        EXPECT_TRUE(DetectVendorHost(keyHost("Photoshop {key}", base + "\\*", "32")).empty());
    }
    // "both" lists a host seen in both views once.
    InstallConfiguration config;
    config.hosts = {keyHost("Photoshop {key}", base + "\\*", "both")};
    config.builtInHosts = false;
    EXPECT_EQ(DetectHosts(config).size(), 3u);
}

TEST_F(HostDetectTest, VendorHostsComeFirstAndBuiltInOnesCanBeHidden) {
    installtest::TestFolder folder;
    HostDefinition fixed;
    fixed.name = "Affinity Photo";
    fixed.folder = folder.Path() + "\\Plug-ins";
    HostDefinition missing;
    missing.name = "Not installed";
    missing.folder = "%ProgramFiles%\\" + installtest::UniqueName("NerroHostTest");
    Host(HKEY_LOCAL_MACHINE, "Software\\Adobe\\Photoshop\\7.0").SetString("PluginPath", "C:\\PS7");

    InstallConfiguration config;
    config.hosts = {fixed, missing};
    // A fixed folder is listed only when it exists.
    EXPECT_EQ(DetectHosts(config).size(), 1u);
    ASSERT_TRUE(CreateDirectoryW(WidePath(fixed.folder).c_str(), nullptr));
    std::vector<DetectedHost> rows = DetectHosts(config);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].displayName, "Affinity Photo");
    EXPECT_EQ(rows[0].folder, fixed.folder + "\\");
    EXPECT_EQ(rows[1].displayName, "Adobe Photoshop 7");
    config.builtInHosts = false;
    rows = DetectHosts(config);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].displayName, "Affinity Photo");
}

TEST(HostFolders, KnownFoldersAreExpanded) {
    std::string expected =
        EnvironmentVariable(sizeof(void*) == 8 ? "ProgramFiles" : "ProgramW6432");
    if (expected.empty()) expected = EnvironmentVariable("ProgramFiles");
    EXPECT_EQ(ExpandHostFolder("%programfiles%\\Vendor"), expected + "\\Vendor");
    EXPECT_EQ(ExpandHostFolder("C:\\100%\\x"), "C:\\100%\\x");
    EXPECT_NE(ExpandHostFolder("%AppData%").find(':'), std::string::npos);
}

}  // namespace
