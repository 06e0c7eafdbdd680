#include "installer/file_replace.h"

#include <atomic>

#include "platform/kernel_handles.h"
#include "platform/win_text.h"

namespace {

std::atomic<WriteFileFunction> writeFile{nullptr};

bool exists(const std::string& path) {
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Writes everything to file, and flushes it to the disk when asked. Returns 0
// or the error.
DWORD writeAll(HANDLE file, const uint8_t* bytes, uint32_t size, bool flush) {
    const WriteFileFunction write = writeFile.load() ? writeFile.load() : &WriteFile;
    uint32_t written = 0;
    while (written < size) {
        DWORD step = 0;
        if (!write(file, bytes + written, size - written, &step, nullptr) || step == 0) {
            const DWORD error = GetLastError();
            return error != 0 ? error : ERROR_WRITE_FAULT;
        }
        written += step;
    }
    if (!flush) return 0;
    return FlushFileBuffers(file) ? 0 : GetLastError();
}

// The new file under a temporary name beside path; empty with error set when
// it cannot be written completely (nothing of it is left then).
std::string writeTemporary(const std::string& path, const uint8_t* bytes, uint32_t size,
                           bool flush, DWORD& error) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = UnusedSiblingName(path, "new");
        UniqueHandle file(CreateFileW(WidePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return {};
        }
        error = writeAll(file.Get(), bytes, size, flush);
        // No attribute but normal: the archive bit the creation set goes.
        // Through the open handle, on the writing thread, rather than by
        // name afterwards, which costs the placing thread a trip to Wine's
        // server a file. As before, a file that keeps it is no failure.
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(file.Get(), FileBasicInfo, &basic, sizeof basic);
        if (!CloseHandle(file.Release()) && error == 0) error = GetLastError();
        if (error == 0) return temporary;
        DeleteFileW(WidePath(temporary).c_str());
        return {};
    }
    return {};
}

}  // namespace

std::string UnusedSiblingName(const std::string& path, const char* what) {
    static std::atomic<unsigned> counter{0};
    for (;;) {
        const std::string name = path + ".nerro-" + what + "-" +
                                 std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(counter++);
        if (!exists(name)) return name;
    }
}

PreparedFile WriteBeside(const std::string& path, const uint8_t* bytes, uint32_t size) {
    PreparedFile prepared;
    // A read-only file is not to be replaced. Windows refuses to open one for
    // writing; Wine lets its administrator through, so ask first.
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    const bool present = attributes != INVALID_FILE_ATTRIBUTES;
    if (present && (attributes & FILE_ATTRIBUTE_READONLY)) {
        prepared.error = ERROR_ACCESS_DENIED;
        return prepared;
    }
    if (present && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        prepared.error = ERROR_DIRECTORY;
        return prepared;
    }
    // The flush protects the file being replaced: its replacement must be on
    // the disk before the old one steps aside. A new file replaces nothing,
    // and flushing each one costs about a millisecond a file under Wine, more
    // on a spinning disk; the system writes it back in its own time.
    prepared.temporary = writeTemporary(path, bytes, size, present, prepared.error);
    prepared.flushed = present;
    return prepared;
}

DWORD PutInPlace(const std::string& path, PreparedFile& prepared, InstallJournal& journal) {
    const std::string temporary = std::move(prepared.temporary);
    prepared.temporary.clear();
    const bool present = exists(path);
    DWORD error = 0;
    if (present && !prepared.flushed) {
        // A file came to stand at path after the new one was written (an
        // earlier file of the same installation, written to the same place).
        UniqueHandle file(CreateFileW(WidePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !FlushFileBuffers(file.Get())) error = GetLastError();
    }
    if (error == 0 && present) {
        const std::string backup = UnusedSiblingName(path, "old");
        if (MoveFileExW(WidePath(path).c_str(), WidePath(backup).c_str(), 0))
            journal.FileReplaced(path, backup);
        else
            error = GetLastError();
    }
    if (error == 0 && !MoveFileExW(WidePath(temporary).c_str(), WidePath(path).c_str(), 0))
        error = GetLastError();  // the journal puts the old file back
    if (error != 0) {
        DeleteFileW(WidePath(temporary).c_str());
        return error;
    }
    if (!present) journal.FileCreated(path);
    return 0;
}

void DiscardPrepared(PreparedFile& prepared) {
    if (!prepared.temporary.empty()) DeleteFileW(WidePath(prepared.temporary).c_str());
    prepared.temporary.clear();
}

DWORD WriteFileReplacing(const std::string& path, const uint8_t* bytes, uint32_t size,
                         InstallJournal& journal) {
    PreparedFile prepared = WriteBeside(path, bytes, size);
    if (prepared.temporary.empty()) return prepared.error;
    return PutInPlace(path, prepared, journal);
}

bool BackUpBeforeOverwrite(const std::string& path, InstallJournal& journal) {
    if (!exists(path)) return true;
    const std::string backup = UnusedSiblingName(path, "old");
    if (!CopyFileW(WidePath(path).c_str(), WidePath(backup).c_str(), TRUE)) return false;
    journal.FileReplaced(path, backup);
    return true;
}

void SetWriteFileForTesting(WriteFileFunction function) {
    writeFile.store(function);
}
