// nerro-pack list, info, verify and extract: commands that read a pack.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <vector>

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
class FileSink final : public DecodeSink {
public:
    explicit FileSink(NewFile& file) : file_(file) {}
    bool Put(const uint8_t* data, size_t size) override { return file_.Write(data, size); }

private:
    NewFile& file_;
};

// Writes the entry to target: into a new temporary file beside it, renamed
// over it once decoded, checked and flushed. A failure leaves target as it was.
void extractEntry(TPackFile& pack, const TPackEntry& entry, const std::string& file,
                  const fs::path& target) {
    const std::string shown = nativeString(target);
    ReplacingFile replacing(shown);
    {
        NewFile temp(replacing.TempPath());
        FileSink sink(temp);
        const PackReadStatus status = pack.ExtractTo(entry.name, sink);
        if (status == PackReadStatus::OutputFailed) throw ToolError("cannot write " + shown);
        if (status != PackReadStatus::Ok)
            throw ToolError(file + ": " + quotedName(entry.name) + ": " + readFailureReason(status));
        if (!temp.Close()) throw ToolError("cannot write " + shown);
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
    expectPositional(args, 1, 1, "verify FILE");
    const std::string& file = args.positional[0];
    auto pack = openPackToRead(file);
    const std::vector<TPackEntry> entries = allEntries(*pack);
    size_t damaged = 0;
    {
        ProgressBar bar(ctx.err, ctx.showProgress, totalSize(entries));
        pack->SetProgressCallback(ProgressBar::CodecTick);
        for (const TPackEntry& entry : entries) {
            bar.Begin(entry.name);
            DiscardingSink discard;
            const PackReadStatus status = pack->ExtractTo(entry.name, discard);
            if (status != PackReadStatus::Ok) {
                ctx.err << "nerro-pack: " << file << ": " << quotedName(entry.name) << ": "
                        << readFailureReason(status) << '\n';
                ++damaged;
            }
            bar.Done(entry.size);
        }
    }
    if (damaged) return kExitFailure;
    ctx.out << file << ": " << entryCount(entries.size()) << " ok\n" << signedLine(*pack);
    return kExitSuccess;
}

int runExtract(const CommandArgs& args, ToolContext& ctx) {
    expectPositional(args, 1, SIZE_MAX, "extract FILE [NAME...] [-o DIR]");
    const std::string& file = args.positional[0];
    const fs::path folder = args.Value("output", ".");
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
    if (error) throw ToolError("cannot create folder " + nativeString(folder));
    ProgressBar bar(ctx.err, ctx.showProgress, totalSize(entries));
    pack->SetProgressCallback(ProgressBar::CodecTick);
    for (const TPackEntry& entry : entries) {
        bar.Begin(entry.name);
        const fs::path relative = entryRelativePath(entry.name);
        // No link on the way is followed; one in place of the file itself is
        // replaced, not written through.
        const fs::path target = folderBelow(folder, relative.parent_path()) / relative.filename();
        extractEntry(*pack, entry, file, target);
        bar.Done(entry.size);
    }
    return kExitSuccess;
}
