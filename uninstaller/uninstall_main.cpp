// nerro-uninstall: removes an installed product as its install record lists
// it. Started by the uninstall entry as "<its path> [/S] <record key>"
// (uninstall_command.h); exit codes as the installer's.
#include <string>
#include <vector>

#include "platform/dll_hardening.h"
#include "platform/win_sdk.h"
#include "platform/win_text.h"
#include "uninstaller/uninstall_command.h"
#include "uninstaller/uninstall_handover.h"
#include "uninstaller/uninstall_record.h"
#include "uninstaller/uninstall_remove.h"

namespace {

std::string caption(const std::string& product) {
    return product.empty() ? "Uninstall" : product + " Uninstall";
}

// Whether message boxes may show: not in a silent run (/S).
bool quiet = false;

int show(const std::string& text, const std::string& product, UINT style) {
    if (quiet) return 0;
    return MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption(product)).c_str(),
                       style | MB_SETFOREGROUND);
}

// The record, or a message saying why nothing will be removed.
bool readRecord(const std::string& keyPath, UninstallRecord& record) {
    const RecordRead read = ReadUninstallRecord(HKEY_LOCAL_MACHINE, keyPath);
    const std::string where = "\"HKEY_LOCAL_MACHINE\\" + keyPath + "\"";
    switch (read.status) {
        case RecordStatus::Ok:
            record = read.record;
            return true;
        case RecordStatus::Missing:
            show(keyPath.empty()
                     ? "No install record was named. Start this program from the list of "
                       "installed programs. Nothing was removed."
                     : "The install record " + where + " does not exist. Nothing was removed.",
                 "", MB_OK | MB_ICONERROR);
            return false;
        case RecordStatus::Damaged:
            show("The install record " + where + " is damaged: " + read.problem +
                     ". Nothing was removed.",
                 "", MB_OK | MB_ICONERROR);
            return false;
    }
    return false;
}

int exitCodeOf(const RemovalReport& report) {
    return report.Removed() ? kUninstallExitRemoved : kUninstallExitFailed;
}

void report(const UninstallRecord& record, const RemovalReport& removal) {
    show(RemovalSummary(record.product, removal), record.product,
         MB_OK | (removal.Complete() ? MB_ICONINFORMATION : MB_ICONWARNING));
}

// The temporary copy's part (uninstall_handover.h): removes everything, gives
// the first process the exit code as soon as it is known, and deletes the
// first process's file once that has ended.
int continueRemoval(const std::string& module, const UninstallCommand& command) {
    ReleasePrivateFolder(module, command.copyFile, command.copyFolder);
    // A first process that does not wait for the word has to end first.
    if (!command.resultPipe) WaitForFirstProcess(command.waitHandle);
    UninstallRecord record;
    if (!readRecord(command.recordKey, record)) {
        SendResult(command.resultPipe, kUninstallExitFailed);
        return kUninstallExitFailed;
    }
    const std::string firstProgram =
        command.resultPipe ? FirstProcessProgram(command.waitHandle) : std::string();
    RemovalReport removal = RemoveInstallation(HKEY_LOCAL_MACHINE, record, firstProgram);
    const int exitCode = exitCodeOf(removal);
    if (command.resultPipe) {
        SendResult(command.resultPipe, exitCode);
        WaitForFirstProcess(command.waitHandle);
        const std::vector<std::string> pending = removal.pending;
        removal = RemoveRecordedFiles(record);
        // Should the first process's file still be held (a scanner reading
        // it just then), it goes with the next start of the system.
        for (const std::string& file : pending)
            if (GetFileAttributesW(WidePath(file).c_str()) != INVALID_FILE_ATTRIBUTES)
                MoveFileExW(WidePath(file).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    report(record, removal);
    return exitCodeOf(removal);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HardenDllSearch();
    const std::string module = ModuleFileName();
    const UninstallCommand command = ParseUninstallCommand(Utf8(GetCommandLineW()), module);
    quiet = command.silent;
    if (!command.error.empty() || command.help) {
        show(command.help ? kUninstallUsage
                          : "Wrong command line: " + command.error + ".\n\n" + kUninstallUsage,
             "", MB_OK | (command.help ? 0 : MB_ICONERROR));
        return command.help ? kUninstallExitRemoved : kUninstallExitUsage;
    }
    if (command.continuation) return continueRemoval(module, command);

    UninstallRecord record;
    if (!readRecord(command.recordKey, record)) return kUninstallExitFailed;
    const std::string name = record.product.empty() ? "this product" : record.product;
    if (!quiet && show("Remove " + name + " and all of its components?", record.product,
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
        return kUninstallExitCancelled;
    int exitCode = kUninstallExitFailed;
    if (HandOverToTemporaryCopy(module, command.recordKey, quiet, exitCode)) return exitCode;
    // Without a copy the removal runs here; this program's own file and
    // folder then stay, and the final message names them.
    const RemovalReport removal = RemoveInstallation(HKEY_LOCAL_MACHINE, record);
    report(record, removal);
    return exitCodeOf(removal);
}
