// Names in any letters and folders of any depth, from the installation to
// the uninstall program's removal: files under their exact names, the record
// and the uninstall entry as "Nerro.ini" writes them, shortcuts under their
// names; and records written by earlier (ANSI) installers still uninstall.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "install_worker_fixture.h"
#include "installer/install_record.h"
#include "installer/windows_names.h"
#include "platform/win_text.h"
#include "uninstall_product.h"
#include "uninstall_run_support.h"

namespace {

using installtest::FileExists;
using installtest::FolderExists;
using installtest::ProductFixture;
using installtest::ReadFileBytes;
using installtest::SeenMessage;

constexpr const char* kProductName = "Ærøskøbing Lumen Filters";
constexpr const char* kPlugInName = "Lumen Café.8bf";
constexpr const char* kSubFolder = "Fïlters 東京";

using installtest::FolderTree;

// The size in bytes of a REG_SZ value, as stored.
DWORD storedSize(const std::string& key, const std::string& name) {
    DWORD size = 0;
    RegGetValueW(HKEY_LOCAL_MACHINE, Wide(key).c_str(), Wide(name).c_str(), RRF_RT_REG_SZ,
                 nullptr, nullptr, &size);
    return size;
}

// "<root>\<60 letters>\..." five times: with the root, well past 300
// characters.
std::string deepFolder(const std::string& root) {
    std::string path = root;
    for (char letter : {'a', 'b', 'c', 'd', 'e'})
        path += "\\" + std::string(1, letter) + std::string(52, 'x') + " Ørsted";
    return path + "\\Plug-ins";
}

// A product of a plug-in in a sub-folder (with a shortcut) and the real
// uninstall program, named in letters outside any one code page.
void configureProduct(ProductFixture& product, const std::string& shortcut,
                      const std::string& plugIn) {
    std::string general = product.General(2, 0, false);
    const std::string nameLine = "Product name=" + product.productName + "\n";
    general.replace(general.find(nameLine), nameLine.size(),
                    std::string("Product name=") + kProductName + "\nProduct ID=" +
                        product.productName + "\n");
    product.Configure(general + "[0]\nName=" + kPlugInName + "\nCreate name=" + kSubFolder +
                      "\\" + kPlugInName + "\nCan uninstall=1\nShortcut name=" + shortcut +
                      "\n[1]\nName=nerro-uninstall.exe\nCreate name=Uninstall.exe\n"
                      "Can uninstall=1\n");
    product.BuildPack({{kPlugInName, plugIn, kPackModeBlock},
                       {"nerro-uninstall.exe", ReadFileBytes(NERRO_UNINSTALL_EXE), kPackModeLz}});
}

TEST(UnicodeInstallation, NamesAndDeepFoldersRoundTripThroughTheUninstallProgram) {
    // Wine starts no program by a path deeper than MAX_PATH, not even by its
    // short form (Windows does, where the volume keeps short names): there
    // the uninstall program is started from a copy outside, which removes
    // the same record, the installed program file included.
    const struct {
        const char* what;
        std::string (*folder)(const std::string& root);
        bool startFromCopy;
    } cases[] = {
        {"letters outside the code page",
         [](const std::string& root) { return root + "\\Łukasz\\東京 Plug-ins"; }, false},
        {"deeper than 260 characters", deepFolder, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProductFixture product("NerroUnicode");
        product.installationPath = c.folder(product.root.Path());
        const std::string shortcut = product.Unique("Ærøskøbing 東京");
        const std::string plugIn = installtest::SampleBytes(150000, 7);
        configureProduct(product, shortcut, plugIn);
        const std::map<std::string, std::string> before = FolderTree(product.root.Path());

        const InstallOutcome outcome = product.InstallOnThread();
        ASSERT_TRUE(outcome.succeeded) << outcome.message;
        const std::string path = product.installationPath + "\\";
        const std::string plugInPath = path + kSubFolder + "\\" + kPlugInName;
        EXPECT_EQ(FolderTree(product.installationPath),
                  (std::map<std::string, std::string>{
                      {std::string(kSubFolder) + "\\", "<folder>"},
                      {std::string(kSubFolder) + "\\" + kPlugInName, plugIn},
                      {"Uninstall.exe", ReadFileBytes(NERRO_UNINSTALL_EXE)},
                  }));

        const std::map<std::string, std::string> record = product.Record();
        EXPECT_EQ(record.at(kRecordProductValue), kProductName);
        EXPECT_EQ(record.at(kRecordPathValue), path);
        EXPECT_EQ(record.at("0.file"), plugInPath);
        const std::string entryKey = UninstallKeyPath(product.productName);
        const std::map<std::string, std::string> entry = product.UninstallEntry();
        EXPECT_EQ(entry.at(kUninstallDisplayNameValue), kProductName);
        EXPECT_EQ(entry.at(kUninstallLocationValue), path);
        // UTF-16 with its terminator, counted in bytes.
        EXPECT_EQ(storedSize(entryKey, kUninstallDisplayNameValue),
                  (Wide(kProductName).size() + 1) * sizeof(wchar_t));

        // The link and the uninstall entry name programs as the system starts
        // them: within MAX_PATH (the short form of a deeper path).
        const std::string link = product.ShortcutFile(shortcut);
        ASSERT_TRUE(FileExists(link)) << link;
        const installtest::ShortcutFields fields = installtest::ReadShortcut(link);
        EXPECT_LT(fields.target.size(), MAX_PATH);
        EXPECT_EQ(LongPathName(fields.target), plugInPath);
        EXPECT_EQ(LongPathName(fields.workingFolder), path);
        EXPECT_EQ(fields.description, shortcut);
        const std::string command = entry.at(kUninstallStringValue);
        const std::string program = command.substr(1, command.find('"', 1) - 1);
        EXPECT_LT(program.size(), MAX_PATH);
        EXPECT_EQ(LongPathName(program), path + "Uninstall.exe");
        EXPECT_EQ(command, "\"" + program + "\" " + product.registryKey);

        installtest::TestFolder outside;
        const std::string copy = outside / "nerro-uninstall.exe";
        if (c.startFromCopy)
            installtest::WriteFileBytes(copy, ReadFileBytes(NERRO_UNINSTALL_EXE));
        const std::vector<SeenMessage> messages = installtest::RunAndAnswer(
            c.startFromCopy ? "\"" + copy + "\" " + product.registryKey : command, true);
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].caption, std::string(kProductName) + " Uninstall");
        EXPECT_EQ(messages[1].text, std::string(kProductName) + " was removed.");
        EXPECT_EQ(FolderTree(product.root.Path()), before);
        EXPECT_FALSE(FileExists(link));
        EXPECT_FALSE(product.RecordExists());
        EXPECT_FALSE(product.UninstallEntryExists());
    }
}

// A record as installers before this one wrote it: every value set through
// the ANSI functions, a path with a letter of the system's code page (1252
// here). The registry converted it to UTF-16 then; it reads back as the text
// it meant, and everything it names goes.
TEST(UnicodeInstallation, ARecordWrittenTheAnsiWayStillUninstalls) {
    installtest::TestFolder folder;
    ASSERT_EQ(GetACP(), 1252u) << "the test prefix's code page";
    const std::string ansiName = "Caf\xe9";  // "Café" in code page 1252
    const std::string installed = folder.Path() + "\\Caf\xc3\xa9";  // the same in UTF-8
    const std::string key = "Software\\" + installtest::UniqueName("NerroRecordTest");
    installtest::ScopedRegKey scope(HKEY_LOCAL_MACHINE, key);
    ASSERT_TRUE(scope.Fresh());
    ASSERT_TRUE(CreateDirectoryW(Wide(installed).c_str(), nullptr));
    installtest::WriteFileBytes(installed + "\\filter.8bf", "old plug-in");
    installtest::WriteFileBytes(installed + "\\plain.txt", "ascii name");

    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    const std::string ansiFolder = folder.Path() + "\\" + ansiName;  // the test's root is ASCII
    const std::vector<std::pair<std::string, std::string>> values = {
        {"0.folder", ansiFolder},
        {"Path", ansiFolder + "\\"},
        {"Product", "Old " + ansiName + " Filters"},
        {"0.file", ansiFolder + "\\filter.8bf"},
        {"0.check", "1234abcd"},
        {"1.file", ansiFolder + "\\plain.txt"},
        {"1.regkey", key},
    };
    for (const auto& [name, text] : values)
        ASSERT_EQ(RegSetValueExA(opened, name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    RegCloseKey(opened);

    const std::vector<SeenMessage> messages = installtest::RunAndAnswer(
        std::string("\"") + NERRO_UNINSTALL_EXE + "\" " + key, true);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "Remove Old Caf\xc3\xa9 Filters and all of its components?");
    EXPECT_EQ(messages[1].text, "Old Caf\xc3\xa9 Filters was removed.");
    EXPECT_FALSE(FolderExists(installed));
    EXPECT_TRUE(FolderTree(folder.Path()).empty());
    EXPECT_FALSE(installtest::KeyExists(HKEY_LOCAL_MACHINE, key));
}

}  // namespace
