// nerro-pack list, info, verify and extract: commands that read a pack.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <vector>

#include "foundation/ordered_work.h"
#include "pack/pack_spill_store.h"
#include "tools/tool_commands.h"
#include "tools/tool_entry_names.h"
#include "tools/tool_errors.h"
#include "tools/tool_files.h"
#include "tools/tool_pack_open.h"
#include "tools/tool_progress.h"

namespace fs = std::filesystem;

namespace {

// Copies of the records, in name order: Extract may not disturb them.
std::vector<TPackEntry> allEntries(TPackFile& pack) {
    std::vector<TPackEntry> entries;
    for (const TPackEntry* entry = pack.GetFirst(); entry; entry = pack.GetNext())
        entries.push_back(*entry);
    return entries;
}

const char* methodName(PackMethod method) {
    switch (method) {
        case PackMethod::Block:
            return "block";
        case PackMethod::Lz:
            return "lz";
        case PackMethod::Zstd:
            return "zstd";
        case PackMethod::Unknown:
            return "unknown";
        case PackMethod::Store:
            break;
    }
    return "store";
}

std::string rightAligned(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

std::string entryCount(size_t count) {
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

// Writes an entry's bytes to a new file.
class NewFileSink final : public ByteSink {
public:
    explicit NewFileSink(NewFile& file) : file_(file) {}
    bool Write(const void* data, size_t size) override { return file_.Write(static_cast<const uint8_t*>(data), size); }

private:
    NewFile& file_;
};

// Entries decoded ahead of their turn keep up to this many bytes each in
// memory, the rest in a temporary file.
constexpr size_t kDecodedMemoryLimit = 4u << 20;

// Entries decoded (or being decoded) ahead of the one being written: enough
// to keep every thread busy while one entry takes longer than the others.
size_t entriesAhead(unsigned jobs) {
    return 2 * static_cast<size_t>(jobs);
}

// Decoding takes about as long as the bytes decoded: the larger entries go first.
std::vector<uint64_t> decodingCosts(const std::vector<TPackEntry>& entries) {
    std::vector<uint64_t> costs;
    for (const TPackEntry& entry : entries)
        costs.push_back(entry.size);
    return costs;
}

// Only the calling thread may turn the progress bar from inside a codec.
CodecCallback codecProgress(unsigned jobs) {
    return jobs <= 1 ? ProgressBar::CodecTick : nullptr;
}

// The entry's decoded bytes, and what decoding found.
struct Decoded {
    PackReadStatus status = PackReadStatus::Ok;
    std::unique_ptr<PackSpillStore> bytes;
};

// Writes the decoded entry to target: into a new temporary file beside it,
// renamed over it once checked and flushed. A failure leaves target as it was.
void writeEntry(Decoded& decoded, const TPackEntry& entry, const std::string& file,
                const fs::path& target) {
    const std::string shown = utf8Path(target);
    ReplacingFile replacing(shown);
    {
        NewFile temp(replacing.TempPath());
        if (decoded.status == PackReadStatus::OutputFailed)
            throw ToolError("cannot write " + shown);
        if (decoded.status != PackReadStatus::Ok)
            throw ToolError(file + ": " + quotedName(entry.name) + ": " +
                            readFailureReason(decoded.status));
        NewFileSink sink(temp);
        if (!decoded.bytes->CopyTo(sink) || !temp.Close()) throw ToolError("cannot write " + shown);
    }
    replacing.Commit();
}

// Whether a certificate table ends the file; whether the signature is valid
// is for a signing tool to say.
std::string signedLine(const TPackFile& pack) {
    return pack.IsSigned() ? "signed: yes\n" : "signed: no\n";
}

uint64_t totalSize(const std::vector<TPackEntry>& entries) {
    uint64_t total = 0;
    for (const TPackEntry& entry : entries)
        total += entry.size;
    return total;
}

}  // namespace

int runList(const CommandArgs& args, ToolContext& ctx) {
    expectPositional(args, 1, 1, "list FILE");
    auto pack = openPackToRead(args.positional[0]);
    const std::vector<TPackEntry> entries = allEntries(*pack);
    size_t sizeWidth = 4;
    size_t storedWidth = 6;
    for (const TPackEntry& entry : entries) {
        sizeWidth = std::max(sizeWidth, std::to_string(entry.size).size());
        storedWidth = std::max(storedWidth, std::to_string(entry.storedSize).size());
    }
    ctx.out << rightAligned("size", sizeWidth) << "  " << rightAligned("stored", storedWidth)
            << "  method  check     name\n";
    for (const TPackEntry& entry : entries) {
        std::string method = methodName(entry.Method());
        method.resize(6, ' ');
        ctx.out << rightAligned(std::to_string(entry.size), sizeWidth) << "  "
                << rightAligned(std::to_string(entry.storedSize), storedWidth) << "  " << method
                << "  " << hex8(entry.crc) << "  " << printableName(entry.name) << '\n';
    }
    return kExitSuccess;
}

int runInfo(const CommandArgs& args, ToolContext& ctx) {
    expectPositional(args, 1, 1, "info FILE");
    auto pack = openPackToRead(args.positional[0]);
    const std::vector<TPackEntry> entries = allEntries(*pack);
    uint64_t dataBytes = 0;
    for (const TPackEntry& entry : entries)
        dataBytes += entry.storedSize;
    const uint64_t span = pack->GetEndOfData() - pack->GetPackBase();
    const uint64_t deadSpace = span > dataBytes ? span - dataBytes : 0;
    ctx.out << "pack base:   " << pack->GetPackBase() << '\n'
            << "version:     " << pack->GetFormatVersion() << '\n'
            << "entries:     " << entries.size() << '\n'
            << "data bytes:  " << dataBytes << '\n'
            << "dead space:  " << deadSpace << '\n'
            << signedLine(*pack);
    return kExitSuccess;
}

int runVerify(const CommandArgs& args, ToolContext& ctx) {
    expectPositional(args, 1, 1, "verify FILE [--jobs N]");
    const unsigned jobs = parseJobs(args);
    const std::string& file = args.positional[0];
    auto pack = openPackToRead(file);
    const std::vector<TPackEntry> entries = allEntries(*pack);
    size_t damaged = 0;
    {
        ProgressBar bar(ctx.err, ctx.showProgress, totalSize(entries));
        std::vector<PackReadStatus> statuses(entries.size());
        const auto decode = [&](size_t i) {
            DiscardingSink discard;
            statuses[i] = pack->ReadEntryShared(entries[i], discard, codecProgress(jobs));
        };
        const auto report = [&](size_t i) {
            if (statuses[i] != PackReadStatus::Ok) {
                ctx.err << "nerro-pack: " << file << ": " << quotedName(entries[i].name) << ": "
                        << readFailureReason(statuses[i]) << '\n';
                ++damaged;
            }
            bar.Done(entries[i].size);
            if (i + 1 < entries.size()) bar.Begin(entries[i + 1].name);
            return true;
        };
        if (!entries.empty()) bar.Begin(entries[0].name);
        // Only statuses wait to be reported: any entry may be decoded ahead.
        runInOrder(entries.size(), jobs, entries.size(), decode, report, ProgressBar::CodecTick,
                   decodingCosts(entries));
    }
    if (damaged) return kExitFailure;
    ctx.out << file << ": " << entryCount(entries.size()) << " ok\n" << signedLine(*pack);
    return kExitSuccess;
}

int runExtract(const CommandArgs& args, ToolContext& ctx) {
    expectPositional(args, 1, SIZE_MAX, "extract FILE [NAME...] [-o DIR] [--jobs N]");
    const unsigned jobs = parseJobs(args);
    const std::string& file = args.positional[0];
    const fs::path folder = pathFromUtf8(args.Value("output", "."));
    auto pack = openPackToRead(file);

    // Every name is checked before anything is written.
    std::vector<TPackEntry> entries;
    if (args.positional.size() == 1) {
        entries = allEntries(*pack);
    } else {
        for (size_t i = 1; i < args.positional.size(); ++i) {
            const TPackEntry* entry = pack->Find(args.positional[i].c_str());
            if (!entry)
                throw ToolError("no entry " + quotedName(args.positional[i]) + " in " + file);
            entries.push_back(*entry);
        }
    }
    for (const TPackEntry& entry : entries) {
        const std::string reason = unsafeEntryNameReason(entry.name);
        if (!reason.empty())
            throw ToolError("refusing to extract " + quotedName(entry.name) + ": " + reason);
    }

    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw ToolError("cannot create folder " + utf8Path(folder));
    ProgressBar bar(ctx.err, ctx.showProgress, totalSize(entries));
    std::vector<Decoded> decoded(entries.size());
    const auto decode = [&](size_t i) {
        decoded[i].bytes = std::make_unique<PackSpillStore>(kDecodedMemoryLimit);
        decoded[i].status =
            pack->ReadEntryShared(entries[i], *decoded[i].bytes, codecProgress(jobs));
    };
    const auto write = [&](size_t i) {
        Decoded entryBytes = std::move(decoded[i]);
        const fs::path relative = entryRelativePath(entries[i].name);
        // No link on the way is followed; one in place of the file itself is
        // replaced, not written through.
        const fs::path target = folderBelow(folder, relative.parent_path()) / relative.filename();
        writeEntry(entryBytes, entries[i], file, target);
        bar.Done(entries[i].size);
        if (i + 1 < entries.size()) bar.Begin(entries[i + 1].name);
        return true;
    };
    if (!entries.empty()) bar.Begin(entries[0].name);
    runInOrder(entries.size(), jobs, entriesAhead(jobs), decode, write, ProgressBar::CodecTick,
               decodingCosts(entries));
    return kExitSuccess;
}
