// Consistency checks of a configuration: each problem with its text.
#include "config/config_check.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "foundation/tinifile.h"

namespace {

const char* const kSoundIni =
    "[General]\n"
    "Product name=Nerro Filters 2.1\n"
    "Registry key=Software\\Nerro\\Filters\n"
    "Default folder=\\Nerro Filters\n"
    "Main executable=0\n"
    "Number of file types=0\n"
    "Number of files=2\n"
    "[0]\n"
    "Name=filter.8bf\n"
    "Create name=filter.8bf\n"
    "[1]\n"
    "Name=nerro-uninstall.exe\n"
    "Create name=Uninstall.exe\n";

const std::set<std::string> kProductFiles = {"logo.bmp", "filter.8bf", "nerro-uninstall.exe",
                                             "remover.exe"};

// kSoundIni with whole lines replaced (an empty replacement drops the line).
std::string soundIniWith(const std::vector<std::pair<std::string, std::string>>& changes) {
    std::string text = kSoundIni;
    for (const auto& [line, replacement] : changes) {
        const size_t at = text.find(line + "\n");
        if (at == std::string::npos) throw std::logic_error("no line " + line);
        text.replace(at, line.size() + 1, replacement.empty() ? "" : replacement + "\n");
    }
    return text;
}

std::vector<ConfigProblem> check(const std::string& text, const std::set<std::string>& present) {
    TIniFile ini;
    ini.Parse(text.c_str());
    InstallConfiguration config;
    ReadConfiguration(ini, config);
    ProductFiles files{"the product folder",
                       [&present](const std::string& name) { return present.count(name) > 0; }};
    return CheckConfiguration(config, files);
}

std::vector<std::string> texts(const std::vector<ConfigProblem>& problems, ConfigSeverity kind) {
    std::vector<std::string> result;
    for (const ConfigProblem& problem : problems)
        if (problem.severity == kind) result.push_back(problem.text);
    return result;
}

TEST(ConfigCheckTest, SoundConfigurationHasNoProblem) {
    const auto problems = check(kSoundIni, kProductFiles);
    EXPECT_TRUE(problems.empty());
    EXPECT_FALSE(HasConfigErrors(problems));
}

TEST(ConfigCheckTest, EachErrorIsNamed) {
    const std::set<std::string> noFilter = {"logo.bmp", "nerro-uninstall.exe"};
    const std::set<std::string> noLogo = {"filter.8bf", "nerro-uninstall.exe"};
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> changes;
        std::set<std::string> present;
        std::vector<std::string> errors;
    } cases[] = {
        {"no product name",
         {{"Product name=Nerro Filters 2.1", ""}},
         kProductFiles,
         {"no \"Product name\" in [General]"}},
        {"no registry key",
         {{"Registry key=Software\\Nerro\\Filters", "Registry key="}},
         kProductFiles,
         {"no \"Registry key\" in [General]"}},
        {"folder without separator",
         {{"Default folder=\\Nerro Filters", "Default folder=Nerro Filters"}},
         kProductFiles,
         {"\"Default folder\" does not begin with a backslash: \"Nerro Filters\""}},
        {"folder with a slash",
         {{"Default folder=\\Nerro Filters", "Default folder=/Nerro"}},
         kProductFiles,
         {"\"Default folder\" does not begin with a backslash: \"/Nerro\""}},
        {"no folder",
         {{"Default folder=\\Nerro Filters", ""}},
         kProductFiles,
         {"\"Default folder\" does not begin with a backslash: \"\""}},
        {"no files",
         {{"Number of files=2", "Number of files=0"}},
         kProductFiles,
         {"the file list is empty (\"Number of files\" is 0)"}},
        {"negative file count",
         {{"Number of files=2", "Number of files=-4"}},
         kProductFiles,
         {"the file list is empty (\"Number of files\" is -4)"}},
        {"main executable past the list",
         {{"Main executable=0", "Main executable=2"}},
         kProductFiles,
         {"\"Main executable\" is 2, outside the file list (0 to 1)"}},
        {"negative main executable",
         {{"Main executable=0", "Main executable=-1"}},
         kProductFiles,
         {"\"Main executable\" is -1, outside the file list (0 to 1)"}},
        {"named file missing",
         {},
         noFilter,
         {"file [0]: \"filter.8bf\" is missing from the product folder"}},
        {"logo missing", {}, noLogo, {"\"logo.bmp\" is missing from the product folder"}},
        {"file without create name",
         {{"Create name=filter.8bf", ""}},
         kProductFiles,
         {"file [0]: no \"Create name\""}},
        {"too many file types",
         {{"Number of file types=0", "Number of file types=65537"}},
         kProductFiles,
         {"\"Number of file types\" is 65537, more than 65536"}},
        {"several at once, in order",
         {{"Product name=Nerro Filters 2.1", ""},
          {"Default folder=\\Nerro Filters", "Default folder=Nerro"},
          {"Main executable=0", "Main executable=5"}},
         noFilter,
         {"no \"Product name\" in [General]",
          "\"Default folder\" does not begin with a backslash: \"Nerro\"",
          "\"Main executable\" is 5, outside the file list (0 to 1)",
          "file [0]: \"filter.8bf\" is missing from the product folder"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto problems = check(soundIniWith(c.changes), c.present);
        EXPECT_EQ(texts(problems, ConfigSeverity::Error), c.errors);
        EXPECT_TRUE(texts(problems, ConfigSeverity::Warning).empty());
        EXPECT_TRUE(HasConfigErrors(problems));
    }
}

TEST(ConfigCheckTest, FileWithoutSectionIsNamedAndWarnedAbout) {
    const auto problems =
        check(soundIniWith({{"Number of files=2", "Number of files=3"}}), kProductFiles);
    const std::vector<std::string> errors = {"file [2]: no \"Name\"",
                                             "file [2]: no \"Create name\""};
    EXPECT_EQ(texts(problems, ConfigSeverity::Error), errors);
    const std::vector<std::string> warnings = {
        "the last file, \"\" (section [2]), is started as the uninstall program but is not "
        "nerro-uninstall.exe"};
    EXPECT_EQ(texts(problems, ConfigSeverity::Warning), warnings);
}

TEST(ConfigCheckTest, UninstallProgramIsRecognisedByEitherName) {
    const struct {
        const char* name;
        const char* createName;
        bool warned;
    } cases[] = {
        {"remover.exe", "Uninstall.exe", true},
        {"remover.exe", "Tools\\NERRO-UNINSTALL.EXE", false},
        {"remover.exe", "Tools/nerro-uninstall.exe", false},
        {"nerro-uninstall.exe", "Uninstall.exe", false},
        {"remover.exe", "nerro-uninstall.exe.bak", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.createName);
        const auto problems =
            check(soundIniWith(
                      {{"Name=nerro-uninstall.exe", std::string("Name=") + c.name},
                       {"Create name=Uninstall.exe", std::string("Create name=") + c.createName}}),
                  kProductFiles);
        EXPECT_FALSE(HasConfigErrors(problems));
        const std::vector<std::string> expected =
            c.warned ? std::vector<std::string>{"the last file, \"" + std::string(c.name) +
                                                "\" (section [1]), is started as the uninstall "
                                                "program but is not nerro-uninstall.exe"}
                     : std::vector<std::string>{};
        EXPECT_EQ(texts(problems, ConfigSeverity::Warning), expected);
    }
}

// Names that would lead out of the installation folder, and record keys in
// the system's own registry trees: refused, so that nothing is written where
// the uninstall program would refuse to remove it.
TEST(ConfigCheckTest, NamesAndKeysThatEscapeAreErrors) {
    const struct {
        const char* line;
        const char* replacement;
        const char* error;  // nullptr: accepted
    } cases[] = {
        {"Create name=filter.8bf", "Create name=..\\..\\escaped-readme.txt",
         "file [0]: \"Create name\" \"..\\..\\escaped-readme.txt\" holds a \"..\" component: it "
         "must stay inside the installation folder"},
        {"Create name=filter.8bf", "Create name=sub/../../x.8bf",
         "file [0]: \"Create name\" \"sub/../../x.8bf\" holds a \"..\" component: it must stay "
         "inside the installation folder"},
        {"Create name=filter.8bf", "Create name=C:\\Windows\\x.dll",
         "file [0]: \"Create name\" \"C:\\Windows\\x.dll\" holds a drive or stream name "
         "(\":\"): it must stay inside the installation folder"},
        {"Create name=filter.8bf", "Create name=\\\\server\\share\\x.8bf",
         "file [0]: \"Create name\" \"\\\\server\\share\\x.8bf\" begins with a separator: it "
         "must stay inside the installation folder"},
        {"Create name=filter.8bf", "Create name=Filters\\..x..\\filter.8bf", nullptr},
        {"Create name=filter.8bf", "Create name=Filters\\.\\filter.8bf",
         "file [0]: \"Create name\" \"Filters\\.\\filter.8bf\" holds a \".\" component: it must "
         "stay inside the installation folder"},
        {"Create name=filter.8bf", "Create name=filter.8bf\nShortcut name=..\\..\\Startup\\x",
         "file [0]: \"Shortcut name\" \"..\\..\\Startup\\x\" holds a \"..\" component"},
        {"Default folder=\\Nerro Filters", "Default folder=\\..\\Windows",
         "\"Default folder\" \"\\..\\Windows\" holds a \"..\" component"},
        {"Registry key=Software\\Nerro\\Filters",
         "Registry key=Software\\Microsoft\\Windows\\CurrentVersion\\Run",
         "\"Registry key\" \"Software\\Microsoft\\Windows\\CurrentVersion\\Run\" lies in the "
         "system's own key \"Software\\Microsoft\""},
        {"Registry key=Software\\Nerro\\Filters", "Registry key=\\software\\classes\\.8bf",
         "\"Registry key\" \"\\software\\classes\\.8bf\" lies in the system's own key "
         "\"Software\\Classes\""},
        {"Registry key=Software\\Nerro\\Filters", "Registry key=Software\\Policies",
         "\"Registry key\" \"Software\\Policies\" lies in the system's own key "
         "\"Software\\Policies\""},
        {"Registry key=Software\\Nerro\\Filters", "Registry key=Software\\Wow6432Node\\Nerro",
         "\"Registry key\" \"Software\\Wow6432Node\\Nerro\" lies in the system's own key "
         "\"Software\\Wow6432Node\""},
        {"Registry key=Software\\Nerro\\Filters", "Registry key=Software\\",
         "\"Registry key\" \"Software\\\" is the whole \"Software\" key"},
        {"Registry key=Software\\Nerro\\Filters", "Registry key=Software\\MicrosoftFans\\Filters",
         nullptr},
    };
    for (const auto& c : cases) {
        const auto problems = check(soundIniWith({{c.line, c.replacement}}), kProductFiles);
        const std::vector<std::string> errors = texts(problems, ConfigSeverity::Error);
        if (!c.error) {
            EXPECT_TRUE(errors.empty()) << c.replacement << ": " << ::testing::PrintToString(errors);
            continue;
        }
        EXPECT_EQ(errors, std::vector<std::string>{c.error}) << c.replacement;
    }
}

// Host sections of the vendor's: each problem named with its section.
TEST(ConfigCheckTest, HostSectionErrors) {
    const struct {
        const char* section;
        const char* error;  // nullptr: accepted
    } cases[] = {
        {"[Host 0]\nName=Photoshop {key}\nRoot=HKLM\nKey=SOFTWARE\\Adobe\\Photoshop\\*\n"
         "Value=ApplicationPath\nSub-folder=Plug-ins\nView=64\n",
         nullptr},
        {"[Host 0]\nName=Shared\nFolder=%CommonProgramFiles%\\Adobe\\Plug-Ins\\CC\n", nullptr},
        {"[Host 0]\nName=X\nRoot=HKCR\nKey=K\n",
         "host [Host 0]: \"Root\" is \"HKCR\", not HKLM or HKCU"},
        {"[Host 0]\nName=X\nRoot=HKLM\n", "host [Host 0]: no \"Key\" (and no \"Folder\")"},
        {"[Host 0]\nName=X\nRoot=HKLM\nKey=K\nView=96\n",
         "host [Host 0]: \"View\" is \"96\", not 32, 64 or both"},
        {"[Host 0]\nRoot=HKLM\nKey=K\n", "host [Host 0]: no \"Name\""},
        {"[Host 0]\nName=X\nRoot=HKLM\nKey=K\n[Host 1]\nName=Y\nFolder=C:\\Y\nKey=K\n",
         "host [Host 1]: both \"Folder\" and \"Root\"/\"Key\""},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> errors =
            texts(check(std::string(kSoundIni) + c.section, kProductFiles), ConfigSeverity::Error);
        if (!c.error)
            EXPECT_TRUE(errors.empty()) << c.section << ::testing::PrintToString(errors);
        else
            EXPECT_EQ(errors, std::vector<std::string>{c.error}) << c.section;
    }
}

TEST(ConfigCheckTest, HugeFileCountIsAnError) {
    const auto problems =
        check(soundIniWith({{"Number of files=2", "Number of files=70000"}}), kProductFiles);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[0].text, "\"Number of files\" is 70000, more than 65536");
    EXPECT_TRUE(HasConfigErrors(problems));
}

}  // namespace
