// Failures of nerro-pack commands, turned into one line on standard error and
// an exit status by the command dispatcher (tool_cli.h).
#pragma once

#include <stdexcept>
#include <string>

// Exit statuses of nerro-pack.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;  // the command could not do its work
constexpr int kExitUsage = 2;    // the command line is wrong

// A command failed; what() is the reason, shown after "nerro-pack: ".
class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& reason) : std::runtime_error(reason) {}
};

// The command line is wrong; what() is the reason, shown with a pointer to --help.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& reason) : std::runtime_error(reason) {}
};
