#include "installer/install_log.h"

#include "platform/win_text.h"

InstallLog::InstallLog(const std::string& path)
    : file_(CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {}

void InstallLog::Line(const std::string& text) {
    if (!file_) return;
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
