// nerro-uninstall: removes an installed product as its install record lists
// it. Started by the uninstall entry as "<its path> <record key>".
#include <windows.h>

#include <string>

#include "platform/dll_hardening.h"
#include "uninstaller/uninstall_command.h"
#include "uninstaller/uninstall_handover.h"
#include "uninstaller/uninstall_record.h"
#include "uninstaller/uninstall_remove.h"

namespace {

std::string modulePath() {
    char path[MAX_PATH * 2] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::string caption(const std::string& product) {
    return product.empty() ? "Uninstall" : product + " Uninstall";
}

int show(const std::string& text, const std::string& product, UINT style) {
    return MessageBoxA(nullptr, text.c_str(), caption(product).c_str(), style | MB_SETFOREGROUND);
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

int removeAndReport(const UninstallRecord& record) {
    const RemovalReport report = RemoveInstallation(HKEY_LOCAL_MACHINE, record);
    show(RemovalSummary(record.product, report), record.product,
         MB_OK | (report.Complete() ? MB_ICONINFORMATION : MB_ICONWARNING));
    return report.Complete() ? 0 : 2;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HardenDllSearch();
    const std::string module = modulePath();
    const UninstallCommand command = ParseUninstallCommand(GetCommandLineA(), module);
    if (command.continuation) {
        WaitForFirstProcess(command.waitHandle);
        ReleasePrivateFolder(module, command.copyFile, command.copyFolder);
        UninstallRecord record;
        if (!readRecord(command.recordKey, record)) return 1;
        return removeAndReport(record);
    }

    UninstallRecord record;
    if (!readRecord(command.recordKey, record)) return 1;
    const std::string name = record.product.empty() ? "this product" : record.product;
    if (show("Remove " + name + " and all of its components?", record.product,
             MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    if (HandOverToTemporaryCopy(module, command.recordKey)) return 0;
    // Without a copy the removal runs here; this program's own file and
    // folder then stay, and the final message names them.
    return removeAndReport(record);
}
