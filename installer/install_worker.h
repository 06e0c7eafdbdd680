// The installation: every configured file from the pack to its target, the
// folders, the Start-menu shortcuts, the install record and the uninstall
// entry (install_record.h), run on a worker thread while the dialog shows the
// progress value.
//
// Before anything is written the worker refuses a configuration it cannot
// install (no files, "Main executable" outside the file list, no "Product
// name" or "Registry key") and checks every pack entry it will install:
// present, decoded to its recorded size, check value matching. Any fault
// there installs nothing at all. The installation is one transaction: when
// anything fails later (a file that cannot be written, a full disk, a
// registry value that cannot be set), every file, folder, key and value it
// created is removed again and every file it replaced is put back from the
// backup it kept (install_journal.h); a successful one deletes the backups.
// Each file is written beside its target and replaces the old one only when
// complete and flushed (file_replace.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/install_config.h"
#include "installer/install_payload.h"
#include "platform/kernel_handles.h"
#include "platform/win_sdk.h"

class TPackFile;

// What RunInstallation ends with.
struct InstallOutcome {
    bool succeeded = false;
    // Empty on success; otherwise one or two sentences for the user, naming
    // the file concerned.
    std::string message;
};

// One installation's own values, apart from the configuration it installs
// (which it only reads): the folder asked for, and what the run works out.
struct InstallRun {
    // The installation folder as typed; RunInstallation replaces it with its
    // normal form ("." and ".." resolved, a backslash appended).
    std::string installationPath;
    // The Start-menu folder the shortcuts go to, ending with a backslash;
    // empty when there is none.
    std::string shortcutFolder;
    // Per file of the configuration's list, in its order: the folder that
    // received it, ending with a separator (empty for a file not yet reached).
    std::vector<std::string> targetFolders;
    // 0..100, written by the install worker while the dialog's thread reads
    // it: atomic, so the two threads never race on it.
    std::atomic<int32_t> progressValue{0};
};

// Installs config's files from pack, on the calling thread; see the top of
// this file. Reads run.installationPath, which must be a full path on a
// drive or a share, and writes, besides the file system and the registry,
// the rest of run: the normalised path, the target folders, the shortcut
// folder and the progress value (0 at the start, 100 at a successful end; on
// failure it stays where the installation stopped). Initialises COM for the
// calling thread from the first shortcut to its end. payloadBudget bounds the
// decoded bytes kept between the check and the writing (install_payload.h).
// log, when given, receives one line per thing written or undone
// (install_log.h).
using InstallLogFunction = std::function<void(const std::string&)>;
InstallOutcome RunInstallation(const InstallConfiguration& config, InstallRun& run,
                               TPackFile& pack, uint64_t payloadBudget = kDefaultPayloadBudget,
                               const InstallLogFunction& log = {});

// Everything the worker thread needs, prepared before it starts. The worker
// is the only user of run and pack until it sets the completion event; the
// dialog's thread only reads run->progressValue meanwhile. Nobody changes
// config.
struct InstallJob {
    const InstallConfiguration* config = nullptr;
    InstallRun* run = nullptr;
    TPackFile* pack = nullptr;
    // Auto-reset event (CreateCompletionEvent), set when the worker ends,
    // whatever the outcome. Borrowed: the job's owner closes it.
    HANDLE completion = nullptr;
    uint64_t payloadBudget = kDefaultPayloadBudget;
    InstallLogFunction log;  // may be empty
    // Filled in before the event is set; read it only after seeing the event.
    InstallOutcome outcome;
};

// Thread procedure: RunInstallation on job (an InstallJob*), stores the
// outcome in it, then sets its completion event. Returns 0.
DWORD WINAPI InstallWorker(LPVOID job);

// An unnamed auto-reset event, not set; empty when it cannot be created.
UniqueHandle CreateCompletionEvent();

// Starts InstallWorker on job in a new thread and returns the thread's
// handle; empty (and the job untouched) when no thread can be started. Keep
// job alive until the completion event is set.
UniqueHandle StartInstallWorker(InstallJob& job);
