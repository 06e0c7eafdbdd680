#include "installer/install_worker.h"

#include <cstdio>
#include <memory>

#include "installer/config_check.h"
#include "installer/folder_path.h"
#include "installer/install_progress.h"
#include "installer/install_record.h"
#include "installer/shortcut.h"
#include "pack/pack_file.h"
#include "platform/win_error.h"
#include "platform/win_handles.h"

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

// Writes size bytes to path, creating or truncating the file. Returns 0, or
// the system's error code. A file left half-written is removed.
DWORD writeWholeFile(const std::string& path, const uint8_t* bytes, uint32_t size) {
    // A read-only file is not to be replaced. Windows refuses to open one for
    // writing; Wine lets its administrator through, so ask first.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    DWORD error = 0;
    uint32_t written = 0;
    while (written < size) {
        DWORD step = 0;
        if (!WriteFile(file.Get(), bytes + written, size - written, &step, nullptr) || step == 0) {
            error = GetLastError();
            if (error == 0) error = ERROR_WRITE_FAULT;
            break;
        }
        written += step;
    }
    if (!CloseHandle(file.Release()) && error == 0) error = GetLastError();
    if (error != 0) DeleteFileA(path.c_str());
    return error;
}

std::string windowsFolder(bool system) {
    char path[MAX_PATH] = "";
    const UINT length =
        system ? GetSystemDirectoryA(path, MAX_PATH) : GetWindowsDirectoryA(path, MAX_PATH);
    std::string folder =
        length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

std::string targetFolderOf(const FileEntry& file, const std::string& installationPath) {
    if (file.toWindowsFolder) return windowsFolder(false);
    if (file.toSystemFolder) return windowsFolder(true);
    return installationPath;
}

// Ends a failed installation: what was written stays listed in the record.
InstallOutcome failure(std::string message) {
    return InstallOutcome{false, std::move(message)};
}

// One run of the installation, step by step. Each step that can fail
// returns the message that ends the run, or an empty text.
class Installation {
public:
    Installation(InstallConfiguration& config, TPackFile& pack, uint64_t payloadBudget)
        : settings_(config.settings),
          files_(config.files),
          pack_(pack),
          payload_(pack, payloadBudget),
          record_(config.settings.registryKey),
          progress_(config.settings.progressValue, TotalWeight(config, pack)) {}

    // Every entry to install, decoded and checked, before anything is written.
    std::string CheckPayload() {
        for (const FileEntry& file : files_) {
            const PayloadFault fault = payload_.Check(file.name);
            if (fault != PayloadFault::None)
                return payloadFaultText(fault, file.name) + " Nothing was installed.";
            progress_.Advance(pack_.Find(file.name.c_str())->size + kFileStepWeight);
        }
        return {};
    }

    // The installation folder, the record's first values, the shortcut folder.
    void Begin() {
        std::string& path = settings_.installationPath;
        if (path.empty() || path.back() != '\\') path += '\\';
        CreateFolderPath(path, record_);
        key_ = record_.Open();
        WriteRecordValue(key_.Get(), kRecordPathValue, path);
        WriteRecordValue(key_.Get(), kRecordProductValue, settings_.productName);

        // The group folder between the Programs folder and the shortcuts is
        // always empty, so the shortcuts go straight into the Programs
        // folder; it is left out of the path rather than leaving a doubled
        // backslash in it.
        const std::string programs = ProgramsFolderPath();
        settings_.shortcutFolder = programs.empty() ? std::string() : programs + "\\";
        if (!settings_.shortcutFolder.empty()) CreateFolderPath(settings_.shortcutFolder, record_);
    }

    // One file to its target, recorded, with its shortcut.
    std::string InstallFile(FileEntry& file) {
        file.targetFolder = targetFolderOf(file, settings_.installationPath);
        const std::string targetPath = file.targetFolder + file.createName;
        CreateFolderPath(targetPath, record_);

        PayloadFault fault = PayloadFault::None;
        const std::shared_ptr<const PayloadBlock> block = payload_.Fetch(file.name, fault);
        if (!block) return payloadFaultText(fault, file.name) + " The installation has stopped.";
        if (const DWORD error = writeWholeFile(targetPath, block->bytes.get(), block->size))
            return "The file " + quoted(targetPath) + " could not be written (" +
                   SystemErrorText(error) + "). The installation has stopped.";
        SetFileAttributesA(targetPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (file.canUninstall) WriteRecordValue(key_.Get(), record_.NextFileName(), targetPath);
        progress_.Advance(block->size + kFileStepWeight);

        if (file.shortcutName.empty()) return {};
        // A shortcut is recorded whether or not it could be made: the
        // uninstall program passes over files that are not there.
        if (!settings_.shortcutFolder.empty()) {
            const std::string linkPath = settings_.shortcutFolder + file.shortcutName;
            // COM only once a shortcut is due: starting it is not free (a
            // good tenth of a second under Wine).
            if (!com_) com_ = std::make_unique<CComInitialize>();
            CreateShortcut(targetPath, settings_.installationPath, linkPath, file.shortcutName,
                           file.arguments);
            WriteRecordValue(key_.Get(), record_.NextFileName(), linkPath + ".lnk");
        }
        progress_.Advance(kFileStepWeight);
        return {};
    }

    // "Main executable", the uninstall entry, and the record's last values.
    void Register() {
        if (settings_.runWithUninstall) {
            const FileEntry& main = files_[settings_.mainExecutable];
            WriteRecordValue(key_.Get(), kRecordMainExecutableValue,
                             main.targetFolder + main.createName);
        }
        const std::string uninstallKey = UninstallKeyPath(settings_.productName);
        WriteRecordValue(key_.Get(), NumberedValueName(0, kRecordRegKeySuffix), uninstallKey);
        key_.Reset();

        const FileEntry& program = files_.back();
        const RegKey entry = OpenRecordKey(HKEY_LOCAL_MACHINE, uninstallKey);
        WriteRecordValue(entry.Get(), kUninstallDisplayNameValue, settings_.productName);
        WriteRecordValue(entry.Get(), kUninstallStringValue,
                         program.targetFolder + program.createName + " " + settings_.registryKey);

        key_ = record_.Open();
        WriteRecordValue(key_.Get(), NumberedValueName(1, kRecordRegKeySuffix),
                         settings_.registryKey);
        key_.Reset();
        progress_.Finish();
    }

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

    InstallSettings& settings_;
    std::vector<FileEntry>& files_;
    TPackFile& pack_;
    PayloadStore payload_;
    InstallRecord record_;
    InstallProgress progress_;
    RegKey key_;  // the record, open from Begin to Register
    std::unique_ptr<CComInitialize> com_;
};

}  // namespace

InstallOutcome RunInstallation(InstallConfiguration& config, TPackFile& pack,
                               uint64_t payloadBudget) {
    config.settings.progressValue = 0;
    if (std::string fault = configurationFault(config); !fault.empty()) return failure(fault);
    Installation installation(config, pack, payloadBudget);
    if (std::string fault = installation.CheckPayload(); !fault.empty()) return failure(fault);
    installation.Begin();
    for (FileEntry& file : config.files)
        if (std::string fault = installation.InstallFile(file); !fault.empty())
            return failure(fault);
    installation.Register();
    return InstallOutcome{true, {}};
}

DWORD WINAPI InstallWorker(LPVOID parameter) {
    InstallJob& job = *static_cast<InstallJob*>(parameter);
    job.outcome = RunInstallation(*job.config, *job.pack, job.payloadBudget);
    SetEvent(job.completion);
    return 0;
}

UniqueHandle CreateCompletionEvent() {
    return UniqueHandle(CreateEventA(nullptr, FALSE, FALSE, nullptr));
}

UniqueHandle StartInstallWorker(InstallJob& job) {
    return UniqueHandle(CreateThread(nullptr, 0, InstallWorker, &job, 0, nullptr));
}
