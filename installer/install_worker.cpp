#include "installer/install_worker.h"

#include <cstdio>
#include <memory>
#include <set>

#include "config/config_check.h"
#include "foundation/ordered_work.h"
#include "foundation/text_case.h"
#include "installer/file_replace.h"
#include "installer/folder_path.h"
#include "installer/install_progress.h"
#include "installer/install_record.h"
#include "installer/installed_product.h"
#include "installer/shortcut.h"
#include "installer/windows_names.h"
#include "pack/pack_check.h"
#include "pack/pack_file.h"
#include "platform/win_error.h"
#include "platform/win_handles.h"
#include "platform/win_text.h"

namespace {

// Every file adds this much to its weight in the progress value, for the work
// that does not grow with its size (folders, opening, record values).
constexpr uint64_t kFileStepWeight = 64 * 1024;

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The first configuration error that makes an installation impossible, by
// the same checks nerro-pack build and the installer's start-up apply; empty
// when there is none. Whether the named files are there is the payload
// check's business, with its own message.
std::string configurationFault(const InstallConfiguration& config) {
    const ProductFiles everyFilePresent{"the pack", [](const std::string&) { return true; }};
    for (const ConfigProblem& problem : CheckConfiguration(config, everyFilePresent)) {
        if (problem.severity == ConfigSeverity::Error)
            return "The installer cannot be used: " + problem.text + ". Nothing was installed.";
    }
    return {};
}

std::string payloadFaultText(PayloadFault fault, const std::string& name) {
    switch (fault) {
        case PayloadFault::Missing:
            return "The installer is damaged: it does not hold the file " + quoted(name) + ".";
        case PayloadFault::Undecodable:
            return "The installer is damaged: the file " + quoted(name) + " cannot be unpacked.";
        case PayloadFault::CheckMismatch:
            return "The installer is damaged: the file " + quoted(name) +
                   " does not match its check value.";
        case PayloadFault::None:
            break;
    }
    return {};
}

std::string windowsFolder(bool system) {
    std::string folder = system ? SystemFolder() : WindowsFolder();
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

std::string targetFolderOf(const FileEntry& file, const std::string& installationPath) {
    if (file.toWindowsFolder) return windowsFolder(false);
    if (file.toSystemFolder) return windowsFolder(true);
    return installationPath;
}

InstallOutcome failure(std::string message) {
    return InstallOutcome{false, std::move(message)};
}

constexpr const char* kUndone = " Nothing was installed: the computer was left as it was before.";
constexpr const char* kNotAllUndone =
    " The installation was undone as far as possible, but some of its changes could not be taken "
    "back (a file in use).";

// The typed installation folder as an absolute path in the system's normal
// form (no "." or ".." components, backslashes), ending with a backslash;
// empty when it is not a full path on a drive or a share. A path typed in
// the "\\?\" form is taken in its plain form: every path the installation
// builds is plain, and goes to Windows in the long form only when it is long.
std::string normalInstallationPath(const std::string& given) {
    const std::string typed = Utf8(PlainPath(Wide(given)));
    const bool drive = typed.size() >= 3 && typed[1] == ':' && (typed[2] == '\\' || typed[2] == '/') &&
                       ((typed[0] >= 'A' && typed[0] <= 'Z') || (typed[0] >= 'a' && typed[0] <= 'z'));
    const bool share = typed.size() > 2 && (typed[0] == '\\' || typed[0] == '/') &&
                       (typed[1] == '\\' || typed[1] == '/') && typed[2] != '?' && typed[2] != '.';
    if (!drive && !share) return {};
    std::string path = FullPathName(typed);
    if (path.empty()) return {};
    if (path.back() != '\\') path += '\\';
    return path;
}

// The check value of a file on disk; false when it cannot be read.
bool fileCheckValue(const std::string& path, uint32_t& value) {
    UniqueHandle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    PackCheck check;
    std::unique_ptr<char[]> buffer(new char[64 * 1024]);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer.get(), 64 * 1024, &read, nullptr)) return false;
        if (read == 0) break;
        check.Update(buffer.get(), read);
    }
    value = check.Value();
    return true;
}

// The values an installation writes that are numbered or optional: an
// earlier installation's go before the new ones are written.
bool isEarlierRunValue(const std::string& name) {
    for (const char* suffix :
         {kRecordFileSuffix, kRecordFolderSuffix, kRecordCheckSuffix, kRecordRegKeySuffix})
        if (NumberedValueNumber(name, suffix) >= 0) return true;
    return name == kRecordMainExecutableValue;
}

// True when path ends with extension (".exe"), in any letter case, after a name.
bool hasExtension(const std::string& path, std::string_view extension) {
    return path.size() > extension.size() &&
           EqualIgnoringCase(std::string_view(path).substr(path.size() - extension.size()),
                             extension);
}

std::string recordFault(const InstallRecord& record) {
    return "The install record could not be written in the registry (" +
           SystemErrorText(record.Error()) + ").";
}

// One file on its way from the pack to its target.
struct FileWrite {
    std::string targetFolder, targetPath;
    // The kept bytes, or the entry to decode again (null: not in the pack).
    std::shared_ptr<const PayloadBlock> block;
    const TPackEntry* entry = nullptr;
    // What writing it found.
    PayloadFault fault = PayloadFault::None;
    uint32_t size = 0, check = 0;
    PreparedFile prepared;
};

// One run of the installation, step by step. Each step that can fail
// returns the message that ends the run, or an empty text.
class Installation {
public:
    Installation(const InstallConfiguration& config, InstallRun& run, TPackFile& pack,
                 uint64_t payloadBudget)
        : settings_(config.settings),
          files_(config.files),
          run_(run),
          pack_(pack),
          payload_(pack, payloadBudget),
          record_(config.settings.registryKey, HKEY_LOCAL_MACHINE, &journal_),
          progress_(run.progressValue, TotalWeight(config, pack)),
          earlier_(FindInstalledProduct(config.settings)) {}

    // Every entry to install, decoded and checked, before anything is written.
    // The entries are decoded side by side on the machine's cores.
    std::string CheckPayload() {
        std::vector<std::string> names;
        for (const FileEntry& file : files_)
            names.push_back(file.name);
        const PayloadCheck check = payload_.CheckAll(names, machineThreads(), [this](size_t i) {
            progress_.Advance(pack_.Find(files_[i].name.c_str())->size + kFileStepWeight);
        });
        if (check.fault == PayloadFault::None) return {};
        return payloadFaultText(check.fault, names[check.index]) + " Nothing was installed.";
    }

    // The installation folder, the record's first values, the shortcut folder.
    std::string Begin() {
        // An earlier installation's record is replaced, not added to.
        for (const std::string& name : record_.ValueNames())
            if (isEarlierRunValue(name)) record_.Delete(name);
        const std::string& path = run_.installationPath;
        CreateFolderPath(path, record_);
        record_.Write(kRecordPathValue, path);
        record_.Write(kRecordProductValue, settings_.productName);

        // The group folder between the Programs folder and the shortcuts is
        // always empty, so the shortcuts go straight into the Programs
        // folder; it is left out of the path rather than leaving a doubled
        // backslash in it.
        const std::string programs = ProgramsFolderPath();
        run_.shortcutFolder = programs.empty() ? std::string() : programs + "\\";
        if (!run_.shortcutFolder.empty()) CreateFolderPath(run_.shortcutFolder, record_);
        return record_.Error() ? recordFault(record_) : std::string();
    }

    // Every file of the list to its target, recorded, with its shortcut.
    // Their folders are made first; then the files are written under
    // temporary names on the machine's cores (entries that were not kept are
    // decoded there again), while this thread puts each one in its place,
    // records it and makes its shortcut, in the list's order.
    std::string InstallFiles() {
        std::vector<FileWrite> writes(files_.size());
        std::vector<uint64_t> costs;
        for (size_t i = 0; i < files_.size(); ++i) {
            FileWrite& write = writes[i];
            write.targetFolder = targetFolderOf(files_[i], run_.installationPath);
            write.targetPath = write.targetFolder + files_[i].createName;
            CreateFolderPath(write.targetPath, record_);
            write.block = payload_.Take(files_[i].name);
            if (!write.block) write.entry = pack_.Find(files_[i].name.c_str());
            costs.push_back(write.block ? write.block->size : write.entry ? write.entry->size : 0);
        }
        std::string fault;
        // Two files a thread in flight keep every thread busy while this one
        // places a file; a file decoded afresh is held only while it is written.
        const unsigned threads = machineThreads();
        runInOrder(
            writes.size(), threads, 2 * threads, [&](size_t i) { WriteAhead(writes[i]); },
            [&](size_t i) {
                fault = PlaceFile(i, writes[i]);
                return fault.empty();
            },
            {}, costs);
        // Files written ahead of one that failed.
        for (FileWrite& write : writes)
            DiscardPrepared(write.prepared);
        return fault;
    }

    // Writes one file beside its target, on any thread: the pack is only
    // read, and the block is let go once written.
    void WriteAhead(FileWrite& write) const {
        std::shared_ptr<const PayloadBlock> block = std::move(write.block);
        if (!block && write.entry) block = payload_.Decode(*write.entry, write.fault);
        if (!block) {
            if (write.fault == PayloadFault::None) write.fault = PayloadFault::Missing;
            return;
        }
        write.size = block->size;
        write.check = block->check;
        write.prepared = WriteBeside(write.targetPath, block->bytes.get(), block->size);
    }

    // The file at index of the list, written as write holds it, put in its
    // place, recorded, with its shortcut.
    std::string PlaceFile(size_t index, FileWrite& write) {
        const FileEntry& file = files_[index];
        run_.targetFolders[index] = write.targetFolder;
        const std::string& targetPath = write.targetPath;
        if (write.fault != PayloadFault::None) return payloadFaultText(write.fault, file.name);
        const DWORD error = write.prepared.temporary.empty()
                                ? write.prepared.error
                                : PutInPlace(targetPath, write.prepared, journal_);
        if (error != 0)
            return "The file " + quoted(targetPath) + " could not be written (" +
                   SystemErrorText(error) + ").";
        installedBytes_ += write.size;
        if (file.canUninstall) {
            record_.Write(record_.NextFileName(), targetPath);
            record_.Write(NumberedValueName(record_.FileCount() - 1, kRecordCheckSuffix),
                          CheckText(write.check));
            installedPaths_.insert(LowerCaseName(targetPath));
        }
        progress_.Advance(write.size + kFileStepWeight);

        if (!file.shortcutName.empty() && !run_.shortcutFolder.empty()) {
            // A shortcut is recorded whether or not it could be made: the
            // uninstall program passes over files that are not there.
            const std::string linkPath = run_.shortcutFolder + file.shortcutName;
            const std::string linkFile = linkPath + ".lnk";
            if (!BackUpBeforeOverwrite(linkFile, journal_))
                return "The shortcut " + quoted(linkFile) + " could not be replaced (" +
                       SystemErrorText(GetLastError()) + ").";
            const bool existed = GetFileAttributesW(WidePath(linkFile).c_str()) != INVALID_FILE_ATTRIBUTES;
            // COM only once a shortcut is due: starting it is not free (a
            // good tenth of a second under Wine).
            if (!com_) com_ = std::make_unique<CComInitialize>();
            // The uninstall program is told which record to remove, whatever
            // the configuration gives it as arguments.
            const bool uninstaller = index + 1 == files_.size();
            CreateShortcut(targetPath, run_.installationPath, linkPath, file.shortcutName,
                           uninstaller ? settings_.registryKey : file.arguments);
            if (!existed && GetFileAttributesW(WidePath(linkFile).c_str()) != INVALID_FILE_ATTRIBUTES)
                journal_.FileCreated(linkFile);
            record_.Write(record_.NextFileName(), linkFile);
            installedPaths_.insert(LowerCaseName(linkFile));
        }
        if (!file.shortcutName.empty()) progress_.Advance(kFileStepWeight);
        return record_.Error() ? recordFault(record_) : std::string();
    }

    // After an upgrade: the files the earlier version installed that this one
    // does not are removed while they are as it left them (a file the user
    // changed stays, and so does one recorded without a check value); the
    // folders it created stay recorded.
    std::string RemoveDroppedFiles() {
        if (!earlier_.present) return {};
        for (const InstalledFile& old : earlier_.files) {
            if (installedPaths_.count(LowerCaseName(old.path))) continue;
            const DWORD attributes = GetFileAttributesW(WidePath(old.path).c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            const bool shortcut = hasExtension(old.path, ".lnk");
            uint32_t check = 0;
            const bool unchanged = shortcut || (!old.check.empty() &&
                                                fileCheckValue(old.path, check) &&
                                                CheckText(check) == old.check);
            if (!unchanged) {
                journal_.Note("Kept " + old.path + ": not as the earlier version installed it");
                continue;
            }
            const std::string backup = UnusedSiblingName(old.path, "old");
            if (MoveFileExW(WidePath(old.path).c_str(), WidePath(backup).c_str(), 0))
                journal_.FileRemoved(old.path, backup);
        }
        for (const std::string& folder : earlier_.folders) {
            const DWORD attributes = GetFileAttributesW(WidePath(folder).c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                record_.Write(record_.NextFolderName(), folder);
        }
        return record_.Error() ? recordFault(record_) : std::string();
    }

    // "Main executable", the uninstall entry, and the record's last values.
    std::string Register() {
        if (settings_.runWithUninstall) {
            record_.Write(kRecordMainExecutableValue, InstalledPath(settings_.mainExecutable));
        }
        const std::string uninstallKey = UninstallKeyPath(settings_.productId);
        record_.Write(NumberedValueName(0, kRecordRegKeySuffix), uninstallKey);

        InstallRecord entry(uninstallKey, HKEY_LOCAL_MACHINE, &journal_);
        WriteUninstallEntry(entry);
        if (entry.Error()) return recordFault(entry);

        record_.Write(NumberedValueName(1, kRecordRegKeySuffix), settings_.registryKey);
        if (record_.Error()) return recordFault(record_);
        progress_.Finish();
        return {};
    }

    // What the system's list of installed programs shows of the product.
    void WriteUninstallEntry(InstallRecord& entry) const {
        const std::string programPath = InstalledPath(files_.size() - 1);
        const std::string mainPath = InstalledPath(settings_.mainExecutable);
        // The system starts the uninstall program by a name within MAX_PATH.
        const std::string started = LaunchablePath(programPath);
        entry.Write(kUninstallDisplayNameValue, settings_.productName);
        entry.Write(kUninstallStringValue, UninstallCommandLine(started, settings_.registryKey));
        entry.Write(kQuietUninstallStringValue,
                    UninstallCommandLine(started, settings_.registryKey, true));
        if (!settings_.version.empty()) entry.Write(kUninstallVersionValue, settings_.version);
        if (!settings_.publisher.empty()) entry.Write(kUninstallPublisherValue, settings_.publisher);
        if (!settings_.helpLink.empty()) entry.Write(kUninstallHelpLinkValue, settings_.helpLink);
        entry.Write(kUninstallIconValue, isProgram(mainPath) ? mainPath : programPath);
        entry.Write(kUninstallLocationValue, run_.installationPath);
        entry.WriteNumber(kUninstallSizeValue, static_cast<DWORD>((installedBytes_ + 1023) / 1024));
        entry.WriteNumber(kUninstallNoModifyValue, 1);
        entry.WriteNumber(kUninstallNoRepairValue, 1);
    }

    // Where the file at index of the list was installed.
    std::string InstalledPath(size_t index) const {
        return run_.targetFolders[index] + files_[index].createName;
    }

    static bool isProgram(const std::string& path) { return hasExtension(path, ".exe"); }

    // Ends a failed run: everything it changed is undone.
    InstallOutcome Fail(const std::string& fault) {
        com_.reset();
        return failure(fault + (journal_.Rollback() ? kUndone : kNotAllUndone));
    }

    void SetLog(const InstallLogFunction& log) { journal_.SetLog(log); }

    // Ends a successful run: the backups of replaced files go.
    void Commit() { journal_.Commit(); }

private:
    // Decoding is most of the work, so the check and the writing weigh by
    // size alike; the registration at the end weighs as one more file step.
    static uint64_t TotalWeight(const InstallConfiguration& config, TPackFile& pack) {
        uint64_t total = kFileStepWeight;
        for (const FileEntry& file : config.files) {
            const TPackEntry* entry = pack.Find(file.name.c_str());
            total += 2 * ((entry ? entry->size : 0) + kFileStepWeight);
            if (!file.shortcutName.empty()) total += kFileStepWeight;
        }
        return total;
    }

    const InstallSettings& settings_;
    const std::vector<FileEntry>& files_;
    InstallRun& run_;
    TPackFile& pack_;
    PayloadStore payload_;
    InstallJournal journal_;
    InstallRecord record_;
    InstallProgress progress_;
    std::unique_ptr<CComInitialize> com_;
    uint64_t installedBytes_ = 0;
    InstalledProduct earlier_;
    std::set<std::string> installedPaths_;  // lower case: every file recorded in this run
};

}  // namespace

InstallOutcome RunInstallation(const InstallConfiguration& config, InstallRun& run,
                               TPackFile& pack, uint64_t payloadBudget,
                               const InstallLogFunction& log) {
    run.progressValue = 0;
    run.shortcutFolder.clear();
    run.targetFolders.assign(config.files.size(), std::string());
    if (std::string fault = configurationFault(config); !fault.empty()) return failure(fault);
    const std::string typed = run.installationPath;
    run.installationPath = normalInstallationPath(typed);
    if (run.installationPath.empty())
        return failure("The folder " + quoted(typed) +
                       " is not a full path (such as C:\\Program Files\\Product). Nothing was "
                       "installed.");
    Installation installation(config, run, pack, payloadBudget);
    installation.SetLog(log);
    if (std::string fault = installation.CheckPayload(); !fault.empty()) return failure(fault);
    if (std::string fault = installation.Begin(); !fault.empty()) return installation.Fail(fault);
    if (std::string fault = installation.InstallFiles(); !fault.empty())
        return installation.Fail(fault);
    if (std::string fault = installation.RemoveDroppedFiles(); !fault.empty())
        return installation.Fail(fault);
    if (std::string fault = installation.Register(); !fault.empty())
        return installation.Fail(fault);
    installation.Commit();
    return InstallOutcome{true, {}};
}

DWORD WINAPI InstallWorker(LPVOID parameter) {
    InstallJob& job = *static_cast<InstallJob*>(parameter);
    job.outcome = RunInstallation(*job.config, *job.run, *job.pack, job.payloadBudget, job.log);
    SetEvent(job.completion);
    return 0;
}

UniqueHandle CreateCompletionEvent() {
    return UniqueHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
}

UniqueHandle StartInstallWorker(InstallJob& job) {
    return UniqueHandle(CreateThread(nullptr, 0, InstallWorker, &job, 0, nullptr));
}
