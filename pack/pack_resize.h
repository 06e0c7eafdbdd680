// Cutting a file to a length, by its path in UTF-8.
#pragma once

#include <cstdint>
#include <string>

// Sets the length of the file at path; true on success. The file must not
// have unwritten buffered data in an open stream.
bool resizePackFile(const std::string& path, uint64_t length);
