// Helpers of the nerro-pack tests: a scratch folder to work in, running the
// real nerro-pack program, and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tooltest {

// A new folder under the system's temporary folder holding a work folder,
// which becomes the current folder, and a capture folder beside it for the
// output of programs. The previous current folder comes back and everything
// is removed when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path Work() const { return path_ / "work"; }
    std::filesystem::path Capture() const { return path_ / "capture"; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

struct ToolRun {
    int exitCode = -1;
    std::string out;  // standard output (CR LF read as LF on Windows)
    std::string err;  // standard error (likewise)
};

// Runs program with args (UTF-8, as nerro-pack takes them) in the current
// folder, through the system's command processor, capturing both output
// streams in files under captureFolder.
// shellPrefix, when given, is put before the command as it is (POSIX shell
// commands that set limits for the program, such as "ulimit -f 64; ").
ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::filesystem::path& captureFolder,
                   const std::string& shellPrefix = "");

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);

// Sets an environment variable for this process and the programs it starts.
void setEnvironment(const char* name, const char* value);

// A program of that name in one of the folders of PATH (name as given; on
// Windows also name.exe).
bool programOnPath(const std::string& name);

// Every file and folder below folder, as relative generic paths, sorted.
std::vector<std::string> folderListing(const std::filesystem::path& folder);

}  // namespace tooltest
