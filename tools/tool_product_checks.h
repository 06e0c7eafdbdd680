// Mistakes in a product folder that the installer would not report but
// silently get wrong, found by nerro-pack build before it writes anything:
// text files that the installer cannot read (a code page it does not know,
// a line too long) or whose letters depend on the user's system (ANSI in no
// declared code page), [General] keys that are nearly but not quite a key
// the installer reads, a "Number of files" that does not match the file
// sections, a logo that is no bitmap, an empty title.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

// Checks "Nerro.ini", every *.clg and "logo.bmp" of dir. Prints one line per
// problem to err ("nerro-pack: [warning: ]FILE:LINE: text"; FILE as dir /
// name). Returns false when one is an error: the product must not be built.
bool checkProductFiles(const std::filesystem::path& dir, std::ostream& err);
