// Creating the folders along a path, and recording the ones created.
#pragma once

#include <string>

#include "installer/install_record.h"

// Creates every missing folder along path and records each one it creates as
// the next "<k>.folder" value of record (one opening of the record's key per
// call). Only prefixes that end at a separator are tried, outermost first: at
// every backslash or slash after the path's root (a drive, "C:\", or a
// network share, "\\server\share\") the path is cut and that folder created;
// a prefix that exists already or cannot be created (a folder that may not be
// made) is passed over silently. A path of any length works (long ones go to
// Windows in the "\\?\" form): it must then be absolute and normal. The last component of a path that
// does not end with a separator is a file name and never created. Recorded
// folders carry no trailing separator, and slashes in them become backslashes.
// Each created folder goes to the record's journal too; a record value that
// cannot be written shows in record.Error(). Returns the number of folders
// created.
int CreateFolderPath(const std::string& path, InstallRecord& record);
