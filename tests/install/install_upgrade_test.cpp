// Installing a product whose "Product ID" is installed already: an upgrade in
// place that leaves one entry and one record, removes what the new version
// dropped, and keeps what the user changed or added.
#include <gtest/gtest.h>

#include <string>

#include "install_worker_fixture.h"
#include "installer/install_record.h"
#include "installer/installed_product.h"
#include "platform/win_text.h"

namespace {

using installtest::FileExists;
using installtest::ProductFixture;
using installtest::ReadFileBytes;
using installtest::WriteFileBytes;
using Values = std::map<std::string, std::string>;

TEST(Versions, CompareNumberByNumber) {
    const struct {
        const char *a, *b;
        int order;
    } cases[] = {
        {"2.1", "2.2", -1}, {"2.10", "2.9", 1},     {"2", "2.0.0", 0}, {"3.0", "2.99", 1},
        {"1.0beta", "1.0", 0}, {"270.0", "26.0", 1}, {"", "", 0},       {"1.2.3", "1.2.4", -1},
    };
    for (const auto& c : cases) {
        const int order = CompareVersions(c.a, c.b);
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a << " vs " << c.b;
    }
}

class UpgradeTest : public ::testing::Test {
protected:
    // Version 2.1 or 2.2 of one product; 2.2 drops two files and adds one.
    void Configure(ProductFixture& product, const std::string& version) {
        product.productName = "Nerro Filters " + version;
        const std::string general = product.General(version == "2.1" ? 4 : 3, 0, false) +
                                    "Version=" + version + "\nProduct ID=" + productId_ + "\n";
        if (version == "2.1") {
            product.Configure(general +
                              "[0]\nName=a\nCreate name=a.8bf\nCan uninstall=1\n"
                              "[1]\nName=b\nCreate name=b.8bf\nCan uninstall=1\n"
                              "[2]\nName=c\nCreate name=Docs\\c.txt\nCan uninstall=1\n"
                              "[3]\nName=u\nCreate name=Uninstall.exe\nCan uninstall=1\n");
            product.BuildPack({{"a", "a 2.1"}, {"b", "b 2.1"}, {"c", "c 2.1"}, {"u", "MZ 2.1"}});
        } else {
            product.Configure(general +
                              "[0]\nName=a\nCreate name=a.8bf\nCan uninstall=1\n"
                              "[1]\nName=d\nCreate name=d.8bf\nCan uninstall=1\n"
                              "[2]\nName=u\nCreate name=Uninstall.exe\nCan uninstall=1\n");
            product.BuildPack({{"a", "a 2.2"}, {"d", "d 2.2"}, {"u", "MZ 2.2"}});
        }
    }

    std::string productId_ = installtest::UniqueName("NerroTest");
    std::string entryKey_ = UninstallKeyPath(productId_);
    installtest::ScopedRegKey entryScope_{HKEY_LOCAL_MACHINE, entryKey_};
};

TEST_F(UpgradeTest, InPlaceWithOneEntryNoOrphansAndTheUsersFilesKept) {
    ProductFixture product;
    Configure(product, "2.1");
    ASSERT_TRUE(product.InstallOnThread().succeeded);
    const std::string path = product.installationPath + "\\";
    WriteFileBytes(path + "Docs\\c.txt", "c 2.1, with the user's notes");
    WriteFileBytes(path + "mine.txt", "the user's own file");

    // The new version proposes the installed one's folder.
    Configure(product, "2.2");
    const InstalledProduct earlier = FindInstalledProduct(product.config.settings);
    ASSERT_TRUE(earlier.present);
    EXPECT_EQ(earlier.version, "2.1");
    EXPECT_EQ(earlier.folder, path);
    EXPECT_EQ(earlier.files.size(), 4u);
    EXPECT_EQ(DowngradeQuestion(product.config.settings), "");
    const InstallOutcome outcome = product.InstallOnThread();
    ASSERT_TRUE(outcome.succeeded) << outcome.message;

    EXPECT_EQ(ReadFileBytes(path + "a.8bf"), "a 2.2");
    EXPECT_EQ(ReadFileBytes(path + "d.8bf"), "d 2.2");
    EXPECT_EQ(ReadFileBytes(path + "Uninstall.exe"), "MZ 2.2");
    EXPECT_FALSE(FileExists(path + "b.8bf"));  // dropped, unchanged: removed
    EXPECT_EQ(ReadFileBytes(path + "Docs\\c.txt"), "c 2.1, with the user's notes");
    EXPECT_EQ(ReadFileBytes(path + "mine.txt"), "the user's own file");

    // One entry, of the new version; one record, of the new files.
    const Values entry = installtest::ReadValues(HKEY_LOCAL_MACHINE, entryKey_);
    EXPECT_EQ(entry.at("DisplayName"), "Nerro Filters 2.2");
    EXPECT_EQ(entry.at("DisplayVersion"), "2.2");
    const InstalledProduct now = FindInstalledProduct(product.config.settings);
    ASSERT_EQ(now.files.size(), 3u);
    EXPECT_EQ(now.files[0].path, path + "a.8bf");
    EXPECT_EQ(now.files[1].path, path + "d.8bf");
    EXPECT_EQ(now.files[2].path, path + "Uninstall.exe");
    for (const InstalledFile& file : now.files)
        EXPECT_EQ(file.check.size(), 8u) << file.path;
    // The folders the first version made stay recorded, for the uninstall.
    EXPECT_EQ(now.folders, (std::vector<std::string>{product.installationPath, path + "Docs"}));

    // An older version over the newer one needs a question first.
    Configure(product, "2.1");
    EXPECT_EQ(DowngradeQuestion(product.config.settings),
              "A newer version (2.2) of Nerro Filters 2.1 is installed. Install the older "
              "version 2.1 over it?");
}

// A failed upgrade puts the earlier version back as it was: its files, the
// file it dropped, its record and its entry.
TEST_F(UpgradeTest, AFailedUpgradeLeavesTheEarlierVersion) {
    ProductFixture product;
    Configure(product, "2.1");
    ASSERT_TRUE(product.InstallOnThread().succeeded);
    const std::string path = product.installationPath + "\\";
    const Values record = product.Record();
    const Values entry = installtest::ReadValues(HKEY_LOCAL_MACHINE, entryKey_);

    Configure(product, "2.2");
    // The new uninstall program cannot be written: a folder stands there.
    ASSERT_TRUE(DeleteFileW(WidePath((path + "Uninstall.exe")).c_str()));
    ASSERT_TRUE(CreateDirectoryW(WidePath((path + "Uninstall.exe")).c_str(), nullptr));
    const InstallOutcome outcome = product.InstallOnThread();
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(ReadFileBytes(path + "a.8bf"), "a 2.1");
    EXPECT_EQ(ReadFileBytes(path + "b.8bf"), "b 2.1");
    EXPECT_FALSE(FileExists(path + "d.8bf"));
    EXPECT_EQ(product.Record(), record);
    EXPECT_EQ(installtest::ReadValues(HKEY_LOCAL_MACHINE, entryKey_), entry);
    RemoveDirectoryW(WidePath((path + "Uninstall.exe")).c_str());
}

}  // namespace
