// nerro-pack add, remove and compact: commands that change a pack.
//
// Each works on a copy of the file beside it and replaces the file only when
// the copy is complete, so an interrupted or failed change leaves the file as
// it was.
#include <functional>
#include <ostream>
#include <vector>

#include "tools/tool_add_files.h"
#include "tools/tool_commands.h"
#include "tools/tool_entry_names.h"
#include "tools/tool_errors.h"
#include "tools/tool_files.h"
#include "tools/tool_pack_open.h"
#include "tools/tool_progress.h"
#include "tools/tool_signing.h"

namespace fs = std::filesystem;

namespace {

// Applies change to the pack of file (a new pack when the file has none, or
// when there is no such file and mayCreate is set) and replaces the file. A
// signed file is refused unless --drop-signature was given; then the change
// is made to it unsigned.
void changePack(const std::string& file, bool mayCreate, const CommandArgs& args,
                const std::function<void(TPackFile&)>& change) {
    std::error_code error;
    const fs::path path = pathFromUtf8(file);
    const bool exists = fs::exists(path, error);
    if (!exists && !mayCreate) throw ToolError("cannot open " + file);
    if (exists && !fs::is_regular_file(path, error)) throw ToolError(file + " is not a file");

    ReplacingFile replacing(file);
    if (exists) {
        fs::copy_file(path, pathFromUtf8(replacing.TempPath()), error);
        if (error) throw ToolError("cannot write beside " + file + ": " + error.message());
        allowChangeOfSignedFile(replacing.TempPath(), file, args.HasFlag("drop-signature"));
    }
    {
        auto pack = openPackToChange(replacing.TempPath(), file);
        change(*pack);
        pack->Flush();
        if (pack->IsFailed()) throw ToolError("cannot write " + file);
    }
    replacing.Commit();
}

// Rewrites the pack's data (pack.Compact), refusing a damaged entry, which a
// rewrite by its recorded sizes would spoil further.
void compactChecked(TPackFile& pack, const std::string& file) {
    pack.Compact();
    const PackEntryDamage& damage = pack.GetCompactDamage();
    if (damage.status != PackReadStatus::Ok) {
        throw ToolError(file + ": " + quotedName(damage.name) + ": " +
                        readFailureReason(damage.status) + "; not changed");
    }
    if (pack.IsFailed()) throw ToolError("cannot write " + file);
}

}  // namespace

int runAdd(const CommandArgs& args, ToolContext& ctx) {
    const char* usage =
        "add FILE PATH... [--name NAME] [--codec CODEC] [--jobs N] [--drop-signature]";
    expectPositional(args, 2, SIZE_MAX, usage);
    if (args.Has("name") && args.positional.size() != 2)
        throw UsageError("--name names one entry: give one PATH with it");
    const uint32_t mode = parseCodec(args.Value("codec", "block"));
    const unsigned jobs = parseJobs(args);
    const std::string& file = args.positional[0];

    std::vector<FileToAdd> additions;
    uint64_t total = 0;
    for (size_t i = 1; i < args.positional.size(); ++i) {
        const fs::path path = pathFromUtf8(args.positional[i]);
        std::error_code error;
        if (!fs::is_regular_file(path, error)) throw ToolError("no file " + utf8Path(path));
        const std::string name = args.Value("name", utf8Path(path.filename()));
        additions.push_back({name, path, fs::file_size(path, error)});
        total += additions.back().size;
    }

    changePack(file, true, args, [&](TPackFile& pack) {
        ProgressBar bar(ctx.err, ctx.showProgress, total);
        addFilesToPack(pack, additions, mode, jobs, file, bar);
    });
    return kExitSuccess;
}

int runRemove(const CommandArgs& args, ToolContext&) {
    expectPositional(args, 2, SIZE_MAX, "remove FILE NAME...");
    const std::string& file = args.positional[0];
    openPackToRead(file);  // names a file without a pack as such
    changePack(file, false, args, [&](TPackFile& pack) {
        for (size_t i = 1; i < args.positional.size(); ++i) {
            const std::string& name = args.positional[i];
            if (!pack.Find(name.c_str()))
                throw ToolError("no entry " + quotedName(name) + " in " + file);
            // The entries that stay are checked by the compaction below.
            DiscardingSink discard;
            const PackReadStatus status = pack.ExtractTo(name, discard);
            if (status != PackReadStatus::Ok) {
                throw ToolError(file + ": " + quotedName(name) + ": " + readFailureReason(status) +
                                "; not changed");
            }
        }
        for (size_t i = 1; i < args.positional.size(); ++i)
            pack.Remove(args.positional[i].c_str());
        // A removal reaches the file with the next index; compacting writes
        // one and also drops the removed entries' data.
        compactChecked(pack, file);
    });
    return kExitSuccess;
}

int runCompact(const CommandArgs& args, ToolContext&) {
    expectPositional(args, 1, 1, "compact FILE");
    const std::string& file = args.positional[0];
    // A file without a pack must not get an empty one begun behind it.
    openPackToRead(file);
    changePack(file, false, args, [&file](TPackFile& pack) { compactChecked(pack, file); });
    return kExitSuccess;
}
