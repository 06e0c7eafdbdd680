#include "tools/tool_entry_names.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "tools/tool_files.h"

namespace {

std::vector<std::string> components(const std::string& name) {
    std::vector<std::string> parts(1);
    for (char c : name) {
        if (c == '/' || c == '\\') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9, CONIN$ and CONOUT$, with any
// extension and in any letter case, open devices on Windows instead of files.
// Windows drops the spaces at the end of the part before the first dot before
// it looks ("NUL .txt" is NUL), so the same is done here.
bool isDeviceName(const std::string& component) {
    std::string stem = component.substr(0, component.find('.'));
    stem.erase(stem.find_last_not_of(' ') + 1);
    for (char& c : stem)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
        stem == "CONOUT$")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

std::string componentProblem(const std::string& component) {
    if (component.empty()) return "it has an empty path component";
    if (component == "." || component == "..") return "it has a \"" + component + "\" component";
    const char last = component.back();
    if (last == '.' || last == ' ') return "a path component ends with a dot or a space";
    if (component.find_first_of("<>\"|?*") != std::string::npos)
        return "it holds a character that Windows does not allow in file names";
    if (isDeviceName(component)) return "a path component is a device name on Windows";
    return "";
}

}  // namespace

std::string unsafeEntryNameReason(const std::string& name) {
    if (name.empty()) return "the name is empty";
    for (char c : name)
        if (isControl(c)) return "it holds a control character";
    if (name[0] == '/' || name[0] == '\\') return "it is an absolute path";
    if (name.find(':') != std::string::npos) return "it holds a drive letter or stream name (':')";
    for (const std::string& component : components(name)) {
        std::string problem = componentProblem(component);
        if (!problem.empty()) return problem;
    }
    return "";
}

std::filesystem::path entryRelativePath(const std::string& name) {
    std::filesystem::path path;
    for (const std::string& component : components(name))
        path /= pathFromUtf8(component);
    return path;
}

std::string quotedName(const std::string& name) {
    return "\"" + printableName(name) + "\"";
}

std::string printableName(const std::string& name) {
    std::string shown;
    for (char c : name) {
        if (isControl(c)) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}
