// nerro-pack's command line: the dispatcher behind main().
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

// The help text that --help prints.
extern const char* const kPackToolHelp;

// Runs nerro-pack with args (the words after the program name, UTF-8): results on
// out, warnings, problems and the progress bar (when showProgress) on err.
// toolFolder is where the default installer stub is looked for. Returns the
// exit status: 0 success, 1 failure (one line per reason on err, each
// beginning "nerro-pack: "), 2 wrong usage. Fatal reports of the codecs are
// turned into failures while it runs.
int runPackTool(const std::vector<std::string>& args, const std::filesystem::path& toolFolder,
                std::ostream& out, std::ostream& err, bool showProgress);

// The folder of the running program, or of argv0 (UTF-8) when the system
// cannot say.
std::filesystem::path runningToolFolder(const std::string& argv0);
