// The installation path the main dialog proposes at start and after a host
// application is picked.
#pragma once

#include <string>

// hostFolder (ending with a backslash) followed by defaultFolder without its
// leading separator.
std::string PathInHostFolder(const std::string& hostFolder, const std::string& defaultFolder);

// The initial path: inside the first host's folder when a host was found
// (firstHostFolder not empty); else programFiles + defaultFolder when
// Program Files is known; else the drive of programsFolder (when its second
// character is ':') + ":\Program files" + defaultFolder; else
// "c:\Program files" + defaultFolder.
std::string ChooseInitialPath(const std::string& firstHostFolder, const std::string& programFiles,
                              const std::string& programsFolder, const std::string& defaultFolder);
