// The install record's two writing calls, CreateFolderPath and
// CreateShortcut, on the real registry, file system and shell.
#include "installer/install_record.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "install_test_support.h"
#include "installer/folder_path.h"
#include "installer/shortcut.h"
#include "platform/kernel_handles.h"
#include "platform/win_handles.h"

namespace {

using installtest::ReadValues;
using installtest::ScopedRegKey;
using installtest::TestFolder;
using Values = std::map<std::string, std::string>;

std::string testKeyPath(const char* what) {
    return "Software\\" + installtest::UniqueName(std::string("NerroRecordTest") + what);
}

TEST(RecordKey, CreatedWithItsClassAndWritableValues) {
    ScopedRegKey scope(HKEY_LOCAL_MACHINE, testKeyPath("Key") + "\\Inner\\Record");
    ASSERT_TRUE(scope.Fresh());
    RegKey key = OpenRecordKey(HKEY_LOCAL_MACHINE, scope.Path());
    ASSERT_TRUE(key);

    char keyClass[64] = "";
    DWORD classLength = sizeof keyClass;
    ASSERT_EQ(RegQueryInfoKeyA(key.Get(), keyClass, &classLength, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(keyClass, "binary data");

    EXPECT_TRUE(WriteRecordValue(key.Get(), "Path", "C:\\Program Files\\Nerro\\"));
    EXPECT_TRUE(WriteRecordValue(key.Get(), "Empty", ""));
    // The stored length counts the terminating NUL.
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(key.Get(), "Path", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, sizeof "C:\\Program Files\\Nerro\\");
    ASSERT_EQ(RegQueryValueExA(key.Get(), "Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);

    // Opening again keeps what is there and overwrites by name.
    key = OpenRecordKey(HKEY_LOCAL_MACHINE, scope.Path());
    EXPECT_TRUE(WriteRecordValue(key.Get(), "Path", "D:\\"));
    key.Reset();
    EXPECT_EQ(ReadValues(HKEY_LOCAL_MACHINE, scope.Path()),
              (Values{{"Path", "D:\\"}, {"Empty", ""}}));
}

TEST(RecordKey, FailuresGiveNoKeyAndNoValue) {
    EXPECT_FALSE(WriteRecordValue(nullptr, "Path", "C:\\"));
    // A key below a value-less path that cannot exist: names are limited to
    // 255 characters per component.
    EXPECT_FALSE(OpenRecordKey(HKEY_LOCAL_MACHINE, "Software\\" + std::string(300, 'x')));
}

TEST(RecordKey, ValueNamesAndUninstallKey) {
    EXPECT_EQ(NumberedValueName(0, kRecordFolderSuffix), "0.folder");
    EXPECT_EQ(NumberedValueName(12, kRecordFileSuffix), "12.file");
    EXPECT_EQ(NumberedValueName(1, kRecordRegKeySuffix), "1.regkey");
    EXPECT_EQ(UninstallKeyPath("Product 1.0"),
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product 1.0");
    InstallRecord record("Software\\Any");
    EXPECT_EQ(record.NextFolderName(), "0.folder");
    EXPECT_EQ(record.NextFileName(), "0.file");
    EXPECT_EQ(record.NextFolderName(), "1.folder");
    EXPECT_EQ(record.NextFileName(), "1.file");
    EXPECT_EQ(record.NextFileName(), "2.file");
}

TEST(RecordKey, NumberedValueNamesReadBack) {
    const struct {
        std::string name;
        const char* suffix;
        long number;
    } cases[] = {
        {"0.file", kRecordFileSuffix, 0},
        {"12.folder", kRecordFolderSuffix, 12},
        {"007.check", kRecordCheckSuffix, 7},
        {"999999999.regkey", kRecordRegKeySuffix, 999999999},
        {"1000000000.file", kRecordFileSuffix, -1},  // ten digits
        {".file", kRecordFileSuffix, -1},
        {"file", kRecordFileSuffix, -1},
        {"1.file", kRecordFolderSuffix, -1},
        {"1.File", kRecordFileSuffix, -1},
        {"1a.file", kRecordFileSuffix, -1},
        {"-1.file", kRecordFileSuffix, -1},
        {" 1.file", kRecordFileSuffix, -1},
        {"1.file.file", kRecordFileSuffix, -1},
        {"Main executable", kRecordFileSuffix, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberedValueNumber(c.name, c.suffix), c.number) << c.name << " " << c.suffix;
    for (int number : {0, 1, 42, 123456789})
        EXPECT_EQ(NumberedValueNumber(NumberedValueName(number, kRecordFileSuffix),
                                      kRecordFileSuffix),
                  number);
}

// CreateFolderPath against a folder and a record of the test's own.
class FolderPathTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(key_.Fresh()); }
    Values Recorded() const { return ReadValues(HKEY_LOCAL_MACHINE, key_.Path()); }

    TestFolder folder_;
    ScopedRegKey key_{HKEY_LOCAL_MACHINE, testKeyPath("Folders")};
    InstallRecord record_{key_.Path()};
};

TEST_F(FolderPathTest, CreatesAndRecordsMissingFoldersOutermostFirst) {
    const std::string base = folder_.Path();
    // A slash separates as a backslash does; the file name is not a folder.
    EXPECT_EQ(CreateFolderPath(base + "\\Nerro/Sub\\Deep\\Tool.dll", record_), 3);
    EXPECT_TRUE(installtest::FolderExists(base + "\\Nerro\\Sub\\Deep"));
    EXPECT_FALSE(installtest::FolderExists(base + "\\Nerro\\Sub\\Deep\\Tool.dll"));
    EXPECT_EQ(Recorded(), (Values{{"0.folder", base + "\\Nerro"},
                                  {"1.folder", base + "\\Nerro\\Sub"},
                                  {"2.folder", base + "\\Nerro\\Sub\\Deep"}}));

    // Existing folders are passed over; the numbering goes on.
    EXPECT_EQ(CreateFolderPath(base + "\\Nerro\\Sub\\Other\\", record_), 1);
    EXPECT_EQ(Recorded().at("3.folder"), base + "\\Nerro\\Sub\\Other");
    EXPECT_EQ(CreateFolderPath(base + "\\Nerro\\Sub\\", record_), 0);
    EXPECT_EQ(Recorded().size(), 4u);
    EXPECT_EQ(record_.FolderCount(), 4);
}

TEST_F(FolderPathTest, DoubledAndLeadingSeparatorsMakeNoExtraFolder) {
    const std::string base = folder_.Path();
    // The folder is recorded as the path names it; the uninstall program
    // reads doubled backslashes as single ones.
    EXPECT_EQ(CreateFolderPath(base + "\\\\Twice\\\\", record_), 1);
    EXPECT_EQ(Recorded(), (Values{{"0.folder", base + "\\\\Twice"}}));
    EXPECT_TRUE(installtest::FolderExists(base + "\\Twice"));
    EXPECT_EQ(CreateFolderPath("\\", record_), 0);
    EXPECT_EQ(CreateFolderPath("", record_), 0);
}

TEST_F(FolderPathTest, ExistingFoldersAndDrivesAreNotRecorded) {
    CreateFolderPath(folder_.Path() + "\\", record_);
    EXPECT_TRUE(Recorded().empty());
    EXPECT_EQ(record_.FolderCount(), 0);
}

TEST(Shortcut, LinkResolvesToTargetWithWorkingFolderAndArguments) {
    TestFolder folder;
    const std::string target = folder / "Tool.exe";
    installtest::WriteFileBytes(target, "MZ");
    const CComInitialize com;
    ASSERT_TRUE(com.Succeeded());
    ASSERT_EQ(
        CreateShortcut(target, "C:\\Work\\", folder / "Nerro Tool", "Nerro Tool", "/uninstall -x"),
        S_OK);
    const std::string link = folder / "Nerro Tool.lnk";
    ASSERT_TRUE(installtest::FileExists(link));

    const installtest::ShortcutFields fields = installtest::ReadShortcut(link);
    EXPECT_STRCASEEQ(fields.target.c_str(), target.c_str());
    EXPECT_EQ(fields.workingFolder, "C:\\Work\\");
    EXPECT_EQ(fields.arguments, "/uninstall -x");
    EXPECT_EQ(fields.description, "Nerro Tool");
}

TEST(Shortcut, MissingFolderFailsWithoutFile) {
    TestFolder folder;
    const CComInitialize com;
    EXPECT_TRUE(FAILED(CreateShortcut("C:\\x.exe", "C:\\", folder / "No\\Such\\Link", "d", "")));
    EXPECT_FALSE(installtest::FileExists(folder / "No\\Such\\Link.lnk"));
}

TEST(Shortcut, ProgramsFolderIsNamed) {
    const std::string programs = ProgramsFolderPath();
    ASSERT_FALSE(programs.empty());
    EXPECT_NE(programs.back(), '\\');
    EXPECT_TRUE(installtest::FolderExists(programs)) << programs;
}

}  // namespace
