#include "uninstaller/uninstall_command.h"

#include <cstdlib>

#include "foundation/text_case.h"
#include "installer/windows_names.h"

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The full, long form of path in lower case, for comparing two names of a file.
std::string comparable(const std::string& path) {
    const std::string full = FullPathName(path);
    if (full.empty()) return {};
    const std::string longName = LongPathName(full);
    return LowerCaseName(longName.empty() ? full : longName);
}

bool namesModule(const std::string& candidate, const std::string& module) {
    if (candidate.empty() || module.empty()) return false;
    return comparable(candidate) == module || comparable(candidate + ".exe") == module;
}

// " <handle>[,<file>,<folder>] ..." behind the continuation's marker: sets the
// continuation's handles and left to what follows them, or returns false.
// Something must follow (at least the record key).
bool parseHandles(const std::string& text, UninstallCommand& command, std::string& left) {
    if (text.empty() || text[0] != ' ') return false;
    char* end = nullptr;
    const unsigned long long handle = std::strtoull(text.c_str() + 1, &end, 10);
    unsigned long long file = 0, folder = 0;
    if (end && *end == ',') file = std::strtoull(end + 1, &end, 10);
    if (end && *end == ',' && file) folder = std::strtoull(end + 1, &end, 10);
    const bool copyHandles = file != 0 && folder != 0;
    if (!end || *end != ' ' || !(copyHandles || (file == 0 && folder == 0))) return false;
    command.continuation = true;
    command.waitHandle = static_cast<uintptr_t>(handle);
    command.copyFile = static_cast<uintptr_t>(file);
    command.copyFolder = static_cast<uintptr_t>(folder);
    left = end;
    return true;
}

// " <pipe> ..." behind the result switch: a handle other than 0, followed by
// something (at least the record key).
bool parseResultPipe(const std::string& text, UninstallCommand& command, std::string& left) {
    if (text.size() < 2 || text[0] != ' ' || text[1] < '0' || text[1] > '9') return false;
    char* end = nullptr;
    const unsigned long long pipe = std::strtoull(text.c_str() + 1, &end, 10);
    if (!end || *end != ' ' || pipe == 0) return false;
    command.resultPipe = static_cast<uintptr_t>(pipe);
    left = end;
    return true;
}

}  // namespace

UninstallCommand ParseUninstallCommand(const std::string& commandLine,
                                       const std::string& modulePath) {
    std::string rest;
    const std::string line = trimmed(commandLine);
    if (!line.empty() && line[0] == '"') {
        const size_t close = line.find('"', 1);
        rest = close == std::string::npos ? std::string() : line.substr(close + 1);
    } else {
        const std::string module = comparable(modulePath);
        size_t split = std::string::npos;
        for (size_t space = line.find(' '); space != std::string::npos;
             space = line.find(' ', space + 1)) {
            if (namesModule(line.substr(0, space), module)) {
                split = space;
                break;
            }
        }
        if (split == std::string::npos && !namesModule(line, module)) split = line.find(' ');
        rest = split == std::string::npos ? std::string() : line.substr(split + 1);
    }

    UninstallCommand command;
    rest = trimmed(rest);
    // The switches: words starting with "/" up to the record key.
    for (bool first = true; !rest.empty() && rest[0] == '/'; first = false) {
        const size_t blank = rest.find_first_of(" \t");
        const std::string word = rest.substr(0, blank);
        const std::string after = blank == std::string::npos ? std::string() : rest.substr(blank);
        std::string left;
        if (EqualIgnoringCase(word, kSilentSwitch) || word == "/?") {
            (word == "/?" ? command.help : command.silent) = true;
            rest = trimmed(after);
            continue;
        }
        // Only the program itself writes these: the continuation first on
        // the line, its result pipe right behind its handles.
        if (word == kContinueSwitch && first && parseHandles(after, command, left)) {
            rest = trimmed(left);
            continue;
        }
        if (word == kResultSwitch && command.continuation && !command.resultPipe &&
            !command.silent && parseResultPipe(after, command, left)) {
            rest = trimmed(left);
            continue;
        }
        command.error = "\"" + word + "\" is not a switch of this program";
        break;
    }
    command.recordKey = rest;
    return command;
}

namespace {

std::string continuation(const std::string& copyPath, const std::string& handles,
                         const std::string& switches, const std::string& recordKey) {
    return "\"" + copyPath + "\" " + kContinueSwitch + " " + handles + " " + switches +
           recordKey;
}

}  // namespace

std::string ContinuationCommand(const std::string& copyPath, uintptr_t waitHandle,
                                const std::string& recordKey) {
    return continuation(copyPath, std::to_string(waitHandle), "", recordKey);
}

std::string ContinuationCommand(const std::string& copyPath, const ContinuationHandles& handles,
                                const std::string& recordKey, bool silent) {
    std::string switches;
    if (handles.resultPipe)
        switches += std::string(kResultSwitch) + " " + std::to_string(handles.resultPipe) + " ";
    if (silent) switches += std::string(kSilentSwitch) + " ";
    return continuation(copyPath,
                        std::to_string(handles.firstProcess) + "," +
                            std::to_string(handles.copyFile) + "," +
                            std::to_string(handles.copyFolder),
                        switches, recordKey);
}
