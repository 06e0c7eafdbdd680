#include "config/setup_command_line.h"

#include <string_view>

#include "foundation/text_case.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The word starting at position (after blanks), its quotes removed; position
// moves past it.
std::string nextWord(const std::string& line, size_t& position) {
    while (position < line.size() && isBlank(line[position]))
        ++position;
    std::string word;
    bool quoted = false;
    for (; position < line.size(); ++position) {
        const char c = line[position];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && isBlank(c)) break;
        word += c;
    }
    return word;
}

bool startsWith(std::string_view word, std::string_view prefix) {
    return EqualIgnoringCase(word.substr(0, prefix.size()), prefix);
}

}  // namespace

SetupOptions ParseSetupCommandLine(const std::string& commandLine) {
    SetupOptions options;
    size_t position = 0;
    options.program = nextWord(commandLine, position);
    for (;;) {
        while (position < commandLine.size() && isBlank(commandLine[position]))
            ++position;
        if (position >= commandLine.size()) break;
        const size_t start = position;
        const std::string word = nextWord(commandLine, position);
        if (word.empty()) continue;
        if (word[0] != '/') {
            if (options.packPath.empty())
                options.packPath = word;
            else
                options.error = "more than one pack file: \"" + word + "\"";
            continue;
        }
        if (startsWith(word, "/D=")) {
            // The rest of the line, as it stands: a folder with blanks needs
            // no quotes (quotes around the whole folder are dropped).
            std::string folder = commandLine.substr(start + 3);
            while (!folder.empty() && isBlank(folder.back()))
                folder.pop_back();
            if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"')
                folder = folder.substr(1, folder.size() - 2);
            if (folder.empty()) options.error = "/D= names no folder";
            options.folder = folder;
            break;
        }
        if (EqualIgnoringCase(word, "/S")) {
            options.silent = true;
        } else if (word == "/?") {
            options.help = true;
        } else if (startsWith(word, "/LOG=")) {
            options.logPath = word.substr(5);
            if (options.logPath.empty()) options.error = "/LOG= names no file";
        } else {
            options.error = "unknown switch " + word;
        }
    }
    return options;
}
