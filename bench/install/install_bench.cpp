// install_bench: times one installation of a product from its installer the
// way the dialog runs it (worker thread, completion event), beside decoding
// the same files alone in the same process. Removes the installation again
// with the uninstall program's own code.
//
//   install_bench.exe SETUP.exe TARGET_FOLDER
//
// Prints one line: files, bytes, decode_ms (every configured file extracted
// and verified once), install_ms (Install pressed to completion event).
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "config/install_config.h"
#include "installer/install_worker.h"
#include "pack/pack_file.h"
#include "uninstaller/uninstall_record.h"
#include "uninstaller/uninstall_remove.h"

namespace {

class NoLogo : public LogoSink {
public:
    void SetLogo(const uint8_t*, uint32_t) override {}
};

double milliseconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: install_bench SETUP.exe TARGET_FOLDER\n");
        return 2;
    }
    TPackFile pack(argv[1], false);
    if (pack.IsFailed()) {
        std::fprintf(stderr, "install_bench: no pack in %s\n", argv[1]);
        return 1;
    }
    NoLogo logo;
    InstallConfiguration config;
    LoadConfiguration(pack, logo, config);

    LARGE_INTEGER start, end;
    uint64_t bytes = 0;
    QueryPerformanceCounter(&start);
    for (const FileEntry& file : config.files) {
        uint32_t size = 0;
        std::unique_ptr<uint8_t[]> block(pack.Extract(file.name.c_str(), true, &size));
        if (!block || pack.IsFailed()) {
            std::fprintf(stderr, "install_bench: %s does not decode\n", file.name.c_str());
            return 1;
        }
        bytes += size;
    }
    QueryPerformanceCounter(&end);
    const double decodeMs = milliseconds(start, end);

    InstallRun run;
    run.installationPath = std::string(argv[2]) + "\\Nerro Bench Product";
    UniqueHandle completion = CreateCompletionEvent();
    InstallJob job;
    job.config = &config;
    job.run = &run;
    job.pack = &pack;
    job.completion = completion.Get();
    QueryPerformanceCounter(&start);
    UniqueHandle worker = StartInstallWorker(job);
    WaitForSingleObject(completion.Get(), INFINITE);
    QueryPerformanceCounter(&end);
    WaitForSingleObject(worker.Get(), INFINITE);
    const double installMs = milliseconds(start, end);

    const RecordRead record = ReadUninstallRecord(HKEY_LOCAL_MACHINE, config.settings.registryKey);
    if (record.status == RecordStatus::Ok) RemoveInstallation(HKEY_LOCAL_MACHINE, record.record);
    if (!job.outcome.succeeded) {
        std::fprintf(stderr, "install_bench: %s\n", job.outcome.message.c_str());
        return 1;
    }
    std::printf("files=%u bytes=%llu decode_ms=%.0f install_ms=%.0f\n",
                static_cast<unsigned>(config.files.size()), static_cast<unsigned long long>(bytes),
                decodeMs, installMs);
    return 0;
}
