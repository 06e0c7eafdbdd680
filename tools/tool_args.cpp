#include "tools/tool_args.h"

#include <algorithm>

#include "codecs/zstd_codec.h"
#include "foundation/ordered_work.h"
#include "pack/pack_file.h"
#include "tools/tool_errors.h"

namespace {

// The long name of a short option ("-o", "-j"); empty for any other word.
std::string shortOptionName(const std::string& word) {
    if (word == "-o") return "output";
    if (word == "-j") return "jobs";
    return "";
}

constexpr unsigned kMaxJobs = 256;

}  // namespace

std::string CommandArgs::Value(const std::string& name, const std::string& fallback) const {
    const auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
}

CommandArgs parseCommandArgs(const std::string& command, const std::vector<std::string>& args,
                             std::initializer_list<const char*> accepted,
                             std::initializer_list<const char*> acceptedFlags) {
    CommandArgs parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            parsed.positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "-h" || word == "--help") {
            parsed.help = true;
            continue;
        }
        const bool isLong = word.compare(0, 2, "--") == 0;
        std::string name = isLong ? word.substr(2) : shortOptionName(word);
        std::string value;
        bool hasValue = false;
        if (const size_t equals = name.find('='); isLong && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasValue = true;
        }
        const auto named = [&name](const char* a) { return name == a; };
        if (isLong && std::any_of(acceptedFlags.begin(), acceptedFlags.end(), named)) {
            if (hasValue) throw UsageError("option '--" + name + "' takes no value");
            if (!parsed.flags.insert(name).second)
                throw UsageError("option '--" + name + "' given twice");
            continue;
        }
        if (std::none_of(accepted.begin(), accepted.end(),
                         [&name](const char* a) { return name == a; })) {
            throw UsageError("unknown option '" + word + "' for '" + command + "'");
        }
        if (!hasValue) {
            if (i + 1 == args.size()) throw UsageError("option '" + word + "' needs a value");
            value = args[++i];
        }
        // An empty value ("--output=", -o "") names nothing; taken as given it
        // would be a path or name of nothing at all.
        if (value.empty()) throw UsageError("option '--" + name + "' has an empty value");
        if (!parsed.values.emplace(name, value).second)
            throw UsageError("option '--" + name + "' given twice");
    }
    return parsed;
}

uint32_t parseCodec(const std::string& codec) {
    if (codec == "block") return kPackModeBlock;
    if (codec == "lz") return kPackModeLz;
    if (codec == "store") return kPackModeStore;
    if (codec == "zstd") return packModeZstd(kZstdDefaultLevel);
    const std::string zstdPrefix = "zstd:";
    if (codec.compare(0, zstdPrefix.size(), zstdPrefix) == 0) {
        const std::string level = codec.substr(zstdPrefix.size());
        const bool digits = !level.empty() && level.size() <= 2 &&
                            level.find_first_not_of("0123456789") == std::string::npos;
        const int value = digits ? std::stoi(level) : 0;
        if (value < kZstdMinLevel || value > kZstdMaxLevel)
            throw UsageError("zstd level '" + level + "' is not a number from " +
                             std::to_string(kZstdMinLevel) + " to " +
                             std::to_string(kZstdMaxLevel));
        return packModeZstd(value);
    }
    throw UsageError("unknown codec '" + codec + "' (block, lz, zstd[:LEVEL] or store)");
}

unsigned parseJobs(const CommandArgs& args) {
    if (!args.Has("jobs")) return machineThreads();
    const std::string text = args.Value("jobs");
    unsigned jobs = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9' || jobs > kMaxJobs) {
            jobs = 0;
            break;
        }
        jobs = jobs * 10 + static_cast<unsigned>(digit - '0');
    }
    if (jobs < 1 || jobs > kMaxJobs)
        throw UsageError("--jobs takes a number of threads from 1 to " + std::to_string(kMaxJobs) +
                         ", not '" + text + "'");
    return jobs;
}

void expectPositional(const CommandArgs& args, size_t min, size_t max, const std::string& usage) {
    const size_t count = args.positional.size();
    if (count < min || count > max) throw UsageError("usage: nerro-pack " + usage);
}
