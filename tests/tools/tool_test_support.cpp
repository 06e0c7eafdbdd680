#include "tests/tools/tool_test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "foundation/utf8.h"

namespace fs = std::filesystem;

namespace tooltest {

ScratchFolder::ScratchFolder() : previous_(fs::current_path()) {
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("nerro-tool-test-" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(Work());
    fs::create_directories(Capture());
    fs::current_path(Work());
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
}

namespace {

#ifdef _WIN32
std::string quoted(const std::string& word) {
    return "\"" + word + "\"";
}
#else
std::string quoted(const std::string& word) {
    std::string result = "'";
    for (char c : word)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}
#endif

std::string readText(const fs::path& path) {
    std::string text = readBytes(path);
#ifdef _WIN32
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) plain += text[i];
    text = plain;
#endif
    return text;
}

}  // namespace

ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                   const fs::path& captureFolder, const std::string& shellPrefix) {
    fs::create_directories(captureFolder);
    const fs::path outFile = captureFolder / "stdout.txt";
    const fs::path errFile = captureFolder / "stderr.txt";
    std::string command = quoted(program);
    for (const std::string& arg : args)
        command += " " + quoted(arg);
    command = shellPrefix + command + " > " + quoted(outFile.u8string()) + " 2> " +
              quoted(errFile.u8string());
#ifdef _WIN32
    // cmd.exe drops the first and the last quote of its command line. The
    // command is UTF-8: it goes to cmd.exe as the wide command line.
    command = "\"" + command + "\"";
    const int status = _wsystem(Utf8ToWide(command).c_str());
#else
    const int status = std::system(command.c_str());
#endif
    ToolRun run;
#ifdef _WIN32
    run.exitCode = status;
#else
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.out = readText(outFile);
    run.err = readText(errFile);
    return run;
}

std::string readBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

void setEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

bool programOnPath(const std::string& name) {
#ifdef _WIN32
    const char separator = ';';
#else
    const char separator = ':';
#endif
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(separator, start);
        if (end == std::string::npos) end = folders.size();
        const fs::path folder = folders.substr(start, end - start);
        std::error_code error;
        if (!folder.empty() && (fs::is_regular_file(folder / name, error) ||
                                fs::is_regular_file(folder / (name + ".exe"), error)))
            return true;
        start = end + 1;
    }
    return false;
}

std::vector<std::string> folderListing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(item.path(), folder).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tooltest
