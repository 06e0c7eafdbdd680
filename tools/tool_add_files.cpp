#include "tools/tool_add_files.h"

#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "codecs/block_codec.h"
#include "foundation/utf8.h"
#include "foundation/ordered_work.h"
#include "pack/pack_file.h"
#include "pack/pack_prepared_entry.h"
#include "tools/tool_entry_names.h"
#include "tools/tool_errors.h"
#include "tools/tool_files.h"
#include "tools/tool_progress.h"

namespace {

std::string cannotAdd(const FileToAdd& file, const std::string& where) {
    return "cannot add " + utf8Path(file.file) + " to " + where;
}

void checkName(const FileToAdd& file) {
    if (file.name.size() > kMaxPackNameLength)
        throw ToolError("entry name longer than 32767 bytes: " + utf8Path(file.file));
    // The pack says its names are UTF-8 (a file name of another encoding
    // can only come from a system that does not name files in UTF-8).
    if (!IsValidUtf8(file.name))
        throw ToolError("entry name is not UTF-8: " + quotedName(file.name) + " (" +
                        utf8Path(file.file) + "): rename the file, or name the entry with --name");
}

void addOneByOne(TPackFile& pack, const std::vector<FileToAdd>& files, uint32_t mode,
                 const std::string& where, ProgressBar& bar) {
    pack.SetProgressCallback(ProgressBar::CodecTick);
    for (const FileToAdd& file : files) {
        const std::unique_ptr<DiskFile> input =
            DiskFile::Open(utf8Path(file.file).c_str(), DiskFile::Access::Read);
        if (!input) throw ToolError("cannot read " + utf8Path(file.file));
        bar.Begin(file.name, file.size, input.get());
        if (!pack.AddStream(*input, file.name.c_str(), mode))
            throw ToolError(cannotAdd(file, where));
        bar.Done(file.size);
    }
}

// Block compressors for the worker threads: each keeps its 7.5 MB of
// working storage from one entry to the next.
class CompressorPool {
public:
    std::unique_ptr<BlockCompressor> Take() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (!free_.empty()) {
                std::unique_ptr<BlockCompressor> compressor = std::move(free_.back());
                free_.pop_back();
                return compressor;
            }
        }
        return std::make_unique<BlockCompressor>();
    }
    void Give(std::unique_ptr<BlockCompressor> compressor) {
        std::lock_guard<std::mutex> hold(lock_);
        free_.push_back(std::move(compressor));
    }

private:
    std::mutex lock_;
    std::vector<std::unique_ptr<BlockCompressor>> free_;
};

// What a worker made of one file.
struct Coded {
    bool readable = false;
    std::unique_ptr<PackPreparedEntry> entry;  // prepared when coding succeeded
};

}  // namespace

void addFilesToPack(TPackFile& pack, const std::vector<FileToAdd>& files, uint32_t mode,
                    unsigned jobs, const std::string& where, ProgressBar& bar) {
    // Every name is checked before any file is read.
    for (const FileToAdd& file : files)
        checkName(file);
    if (jobs <= 1) {
        addOneByOne(pack, files, mode, where, bar);
        return;
    }
    CompressorPool compressors;
    std::vector<Coded> coded(files.size());
    // The codecs' progress calls would come from the workers; the bar is
    // turned by the appending thread instead.
    pack.SetProgressCallback(nullptr);
    const auto code = [&](size_t i) {
        Coded& result = coded[i];
        try {
            const std::unique_ptr<DiskFile> input =
                DiskFile::Open(utf8Path(files[i].file).c_str(), DiskFile::Access::Read);
            if (!input) return;
            result.readable = true;
            auto entry = std::make_unique<PackPreparedEntry>();
            std::unique_ptr<BlockCompressor> compressor = compressors.Take();
            entry->Prepare(*input, mode, nullptr, compressor.get());
            compressors.Give(std::move(compressor));
            result.entry = std::move(entry);
        } catch (const std::bad_alloc&) {
            result.entry.reset();  // reported as a file that cannot be added
        }
    };
    const auto append = [&](size_t i) {
        const FileToAdd& file = files[i];
        Coded result = std::move(coded[i]);
        if (!result.readable) throw ToolError("cannot read " + utf8Path(file.file));
        if (!result.entry || !result.entry->IsPrepared() ||
            !pack.AddPrepared(*result.entry, file.name.c_str()))
            throw ToolError(cannotAdd(file, where));
        bar.Done(file.size);
        if (i + 1 < files.size()) bar.Begin(files[i + 1].name);
        return true;
    };
    // Compressing takes about as long as the bytes read: larger files go first.
    std::vector<uint64_t> costs;
    for (const FileToAdd& file : files)
        costs.push_back(file.size);
    if (!files.empty()) bar.Begin(files[0].name);
    runInOrder(files.size(), jobs, 2 * static_cast<size_t>(jobs), code, append,
               ProgressBar::CodecTick, costs);
}
