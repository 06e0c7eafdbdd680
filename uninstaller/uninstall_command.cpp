#include "uninstaller/uninstall_command.h"

#include <windows.h>

#include <cstdlib>

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The full, long form of path in lower case, for comparing two names of a file.
std::string comparable(const std::string& path) {
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return {};
    char longName[MAX_PATH * 2];
    const DWORD longLength = GetLongPathNameA(full, longName, sizeof longName);
    std::string result = longLength > 0 && longLength < sizeof longName ? longName : full;
    CharLowerBuffA(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

bool namesModule(const std::string& candidate, const std::string& module) {
    if (candidate.empty() || module.empty()) return false;
    return comparable(candidate) == module || comparable(candidate + ".exe") == module;
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
    const std::string marker = std::string(kContinueSwitch) + " ";
    if (rest.compare(0, marker.size(), marker) == 0) {
        char* end = nullptr;
        const unsigned long long handle = std::strtoull(rest.c_str() + marker.size(), &end, 10);
        unsigned long long file = 0, folder = 0;
        if (end && *end == ',') file = std::strtoull(end + 1, &end, 10);
        if (end && *end == ',' && file) folder = std::strtoull(end + 1, &end, 10);
        const bool copyHandles = file != 0 && folder != 0;
        if (end && *end == ' ' && (copyHandles || (file == 0 && folder == 0))) {
            command.continuation = true;
            command.waitHandle = static_cast<uintptr_t>(handle);
            command.copyFile = static_cast<uintptr_t>(file);
            command.copyFolder = static_cast<uintptr_t>(folder);
            rest = trimmed(end);
        }
    }
    command.recordKey = rest;
    return command;
}

namespace {

std::string continuation(const std::string& copyPath, const std::string& handles,
                         const std::string& recordKey) {
    return "\"" + copyPath + "\" " + kContinueSwitch + " " + handles + " " + recordKey;
}

}  // namespace

std::string ContinuationCommand(const std::string& copyPath, uintptr_t waitHandle,
                                const std::string& recordKey) {
    return continuation(copyPath, std::to_string(waitHandle), recordKey);
}

std::string ContinuationCommand(const std::string& copyPath, const ContinuationHandles& handles,
                                const std::string& recordKey) {
    return continuation(copyPath,
                        std::to_string(handles.firstProcess) + "," +
                            std::to_string(handles.copyFile) + "," +
                            std::to_string(handles.copyFolder),
                        recordKey);
}
