// What nerro-pack needs to know of a Windows program file: the processor it
// is built for, read from its PE header.
#pragma once

#include <filesystem>
#include <string>

enum class PeMachine { None, X86, X64 };

// The machine field of the file's PE header; None when the file cannot be
// read or is not a PE image of either kind.
PeMachine readPeMachine(const std::filesystem::path& file);

// "x86", "x64" ("" for None): the names of nerro-pack's --arch option.
const char* peMachineName(PeMachine machine);
// The machine of an --arch value; throws UsageError for any other value.
PeMachine parseArch(const std::string& arch);
