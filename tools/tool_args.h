// Command-line arguments of one nerro-pack command.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

struct CommandArgs {
    std::vector<std::string> positional;        // in the order given
    std::map<std::string, std::string> values;  // option long name -> value
    std::set<std::string> flags;                // long names of the flags given
    bool help = false;                          // -h or --help was given

    // The option's value, or fallback when it was not given.
    std::string Value(const std::string& name, const std::string& fallback = "") const;
    bool Has(const std::string& name) const { return values.count(name) > 0; }
    bool HasFlag(const std::string& name) const { return flags.count(name) > 0; }
};

// Splits args (the words after the command name) into positional arguments
// and options. Each name in accepted is a long option taking a value, given
// as "--name VALUE" or "--name=VALUE"; "-o VALUE" stands for "--output" and
// "-j N" for "--jobs N".
// Each name in acceptedFlags is a long option without a value ("--name").
// "--" ends the options. Throws UsageError for an option that command does
// not accept, a missing or empty value, a value given to a flag or an option
// given twice.
CommandArgs parseCommandArgs(const std::string& command, const std::vector<std::string>& args,
                             std::initializer_list<const char*> accepted,
                             std::initializer_list<const char*> acceptedFlags = {});

// The AddStream mode of a --codec value: "block", "lz", "store", "zstd" (level
// 19) or "zstd:LEVEL" (LEVEL 1 to 19). Throws UsageError for any other value.
uint32_t parseCodec(const std::string& codec);

// The number of threads of --jobs (a whole number from 1 to 256); without
// it, the number of threads the machine runs at once. Throws UsageError for
// any other value.
unsigned parseJobs(const CommandArgs& args);

// Throws UsageError "usage: nerro-pack USAGE" unless args holds min to max
// positional arguments.
void expectPositional(const CommandArgs& args, size_t min, size_t max, const std::string& usage);
