// Letter case in names the system treats without regard to it: registry
// keys, file names, switches, window classes.
//
// Only the ASCII letters A-Z and a-z are folded, the same way on every
// system and in every locale (no code page, no Turkish dotless i); every
// other byte, UTF-8 or code-page text included, must match exactly. Every
// name this system compares so is ASCII where the letter case matters.
#pragma once

#include <string_view>

// True when a and b have the same length and differ only in the case of
// ASCII letters.
bool EqualIgnoringCase(std::string_view a, std::string_view b);
