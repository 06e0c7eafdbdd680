// Running another program (nerro-pack's signing tool) and waiting for it.
#pragma once

#include <string>
#include <vector>

// Exit status of a program that could not be started at all.
constexpr int kProgramNotFound = -1;

// Runs program (looked for on PATH) with args (UTF-8), no shell between: every
// argument reaches it as given. Its output goes to standard error, so that
// nerro-pack's own results stay alone on standard output. Returns its exit
// status, kProgramNotFound when it cannot be started, or another negative
// value when it ended abnormally.
int runExternalProgram(const std::string& program, const std::vector<std::string>& args);
