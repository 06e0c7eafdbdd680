// What a console program (nerro-pack) takes from and gives to its system,
// in UTF-8: its arguments, its own path, and the text it writes to a
// console. Provided by platform/ (the wide Win32 calls on Windows; argv and
// /proc elsewhere): the foundation library itself contains no Win32 call.
#pragma once

#include <string>
#include <vector>

// The program's arguments, the program's name first, in UTF-8. On Windows
// they come from the wide command line (argv holds them in the ANSI code
// page, where letters of other languages are lost) and argv serves only when
// that cannot be read; elsewhere they are argv as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes a console show the UTF-8 bytes written to standard output and
// standard error as the text they are (on Windows: the console's output code
// page becomes UTF-8 until the program ends, then the old one comes back).
// Output to a file or a pipe is bytes either way. Call it once, at start.
void UseUtf8Console();

// The full path of the running program in UTF-8; empty when the system
// cannot say.
std::string RunningProgramPath();
