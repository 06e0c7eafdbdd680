// The fixture of the nerro-pack command-line tests: a scratch work folder, a
// small product folder and installer stub, and running the real program.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/tools/tool_test_support.h"

namespace tooltest {

// Nerro.ini of the test product: three files, the last the uninstall program.
extern const char* const kProductIni;

// Files of the test product by relative generic path, Nerro.ini included.
// "notes.txt" is in the folder but named nowhere, so it is not packed.
const std::map<std::string, std::string>& productFiles();

// The pack entries a build of the product holds, in name order, with the
// product file each comes from.
const std::vector<std::pair<std::string, std::string>>& productEntries();

// 4096 bytes that stand in for the installer stub.
std::string stubBytes();

// Replaces the line `line` of folder/Nerro.ini by replacement (or drops it).
void editIni(const std::string& line, const std::string& replacement,
             const std::filesystem::path& folder = "prod");

class ToolCliTest : public ::testing::Test {
protected:
    ToolCliTest();

    // nerro-pack with args, in the work folder (shellPrefix: see runProgram).
    ToolRun Run(const std::vector<std::string>& args, const std::string& shellPrefix = "") const;
    // Writes the product into folder (created; an old one is replaced) and
    // "stub.exe" into the work folder.
    void MakeProduct(const std::filesystem::path& folder = "prod") const;

    ScratchFolder scratch_;
};

}  // namespace tooltest
