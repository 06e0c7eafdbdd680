#include "installer/initial_path.h"

std::string PathInHostFolder(const std::string& hostFolder, const std::string& defaultFolder) {
    return hostFolder + (defaultFolder.empty() ? std::string() : defaultFolder.substr(1));
}

std::string ChooseInitialPath(const std::string& firstHostFolder, const std::string& programFiles,
                              const std::string& programsFolder, const std::string& defaultFolder) {
    if (!firstHostFolder.empty()) return PathInHostFolder(firstHostFolder, defaultFolder);
    if (!programFiles.empty()) return programFiles + defaultFolder;
    if (programsFolder.size() >= 2 && programsFolder[1] == ':')
        return std::string(1, programsFolder[0]) + ":\\Program files" + defaultFolder;
    return "c:\\Program files" + defaultFolder;
}
