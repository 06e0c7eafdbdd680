#include "uninstall_product.h"

#include <gtest/gtest.h>

#include "platform/win_text.h"

namespace installtest {

namespace {

std::string uninstallProgramBytes() {
    const std::string bytes = ReadFileBytes(NERRO_UNINSTALL_EXE);
    EXPECT_GT(bytes.size(), 1000u) << NERRO_UNINSTALL_EXE;
    return bytes;
}

}  // namespace

void ConfigureUninstallableProduct(ProductFixture& product) {
    const std::string filtersShortcut = product.Unique("Filters");
    const std::string removeShortcut = product.Unique("Remove");
    product.Configure(product.General(3, 0, true) +
                      "[0]\nName=plugin.8bf\nCreate name=Filters\\Deep\\Nerro.8bf\n"
                      "Can uninstall=1\nShortcut name=" +
                      filtersShortcut +
                      "\n"
                      "[1]\nName=readme.txt\nCreate name=" +
                      product.Unique("doc") +
                      "\\readme.txt\nTo windows folder=1\nCan uninstall=1\n"
                      "[2]\nName=nerro-uninstall.exe\nCreate name=Uninstall.exe\nCan uninstall=1\n"
                      "Shortcut name=" +
                      removeShortcut + "\n");
    product.BuildPack({{"plugin.8bf", SampleBytes(200000, 11), kPackModeBlock},
                       {"readme.txt", "Read me.", kPackModeStore},
                       {"nerro-uninstall.exe", uninstallProgramBytes(), kPackModeLz}});
}

std::string ProgramFilesFolder() {
    const std::string folder = EnvironmentVariable("ProgramFiles");
    return folder.empty() ? "C:\\Program Files" : folder;
}

int TemporaryCopies() {
    int count = 0;
    WIN32_FIND_DATAW found;
    const HANDLE search =
        FindFirstFileW(WidePath(TempFolder() + "nerro-uninstall-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do
        ++count;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

}  // namespace installtest
