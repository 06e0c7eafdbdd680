#include "install_worker_fixture.h"

#include <gtest/gtest.h>

#include "foundation/tinifile.h"
#include "installer/install_record.h"
#include "installer/shortcut.h"
#include "pack/pack_file.h"
#include "platform/win_text.h"

namespace installtest {

namespace {

std::string systemFolder(bool system) {
    return system ? SystemFolder() : WindowsFolder();
}

}  // namespace

ProductFixture::ProductFixture(const std::string& prefix, const std::string& installBase)
    : unique_(UniqueName(prefix)) {
    if (installBase.empty()) {
        installationPath = root.Path() + "\\Nerro Product";
    } else {
        installationPath = installBase + "\\" + unique_ + " Product";
        removeAtEnd_.push_back(installationPath);
    }
    productName = "Nerro Product " + unique_;
    registryKey = "Software\\" + unique_ + "\\Product";
    packPath = root / "setup.exe";
    recordScope_ = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, registryKey);
    uninstallScope_ =
        std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName));
    EXPECT_TRUE(recordScope_->Fresh());
    EXPECT_TRUE(uninstallScope_->Fresh());
}

ProductFixture::~ProductFixture() {
    pack.reset();
    for (const std::string& path : removeAtEnd_) {
        SetFileAttributesW(WidePath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (FolderExists(path))
            RemoveTree(path);
        else
            DeleteFileW(WidePath(path).c_str());
    }
}

std::string ProductFixture::ShortcutFile(const std::string& shortcutName) const {
    return ProgramsFolderPath() + "\\" + shortcutName + ".lnk";
}

std::string ProductFixture::WindowsPath(const std::string& relative) const {
    return systemFolder(false) + "\\" + relative;
}

std::string ProductFixture::SystemPath(const std::string& relative) const {
    return systemFolder(true) + "\\" + relative;
}

void ProductFixture::Configure(const std::string& ini) {
    TIniFile file;
    ASSERT_TRUE(file.Parse(ini.c_str()));
    ReadConfiguration(file, config);
    run.installationPath = installationPath;
    // Whatever the product puts outside its own folders is removed at the end.
    for (const FileEntry& entry : config.files) {
        if (!entry.shortcutName.empty()) removeAtEnd_.push_back(ShortcutFile(entry.shortcutName));
        if (entry.toWindowsFolder || entry.toSystemFolder) {
            const std::string first = entry.createName.substr(0, entry.createName.find('\\'));
            removeAtEnd_.push_back(entry.toWindowsFolder ? WindowsPath(first) : SystemPath(first));
        }
    }
}

void ProductFixture::BuildPack(const std::vector<PackItem>& items) {
    WritePack(packPath, items);
    pack = std::make_unique<TPackFile>(packPath.c_str(), false);
    ASSERT_FALSE(pack->IsFailed());
}

InstallOutcome ProductFixture::InstallOnThread(uint64_t payloadBudget) {
    UniqueHandle completion = CreateCompletionEvent();
    EXPECT_TRUE(completion);
    InstallJob job;
    job.config = &config;
    job.run = &run;
    job.pack = pack.get();
    job.completion = completion.Get();
    job.payloadBudget = payloadBudget;
    UniqueHandle thread = StartInstallWorker(job);
    EXPECT_TRUE(thread);
    // The dialog's timer: look at the progress value until the event is set.
    progressSeen.clear();
    for (int waited = 0; waited < 120000; waited += 5) {
        progressSeen.push_back(run.progressValue);
        if (WaitForSingleObject(completion.Get(), 5) == WAIT_OBJECT_0) break;
    }
    progressSeen.push_back(run.progressValue);
    EXPECT_EQ(WaitForSingleObject(thread.Get(), 60000), WAIT_OBJECT_0);
    // Auto-reset: seeing the event cleared it.
    EXPECT_EQ(WaitForSingleObject(completion.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    return job.outcome;
}

std::string ProductFixture::General(int fileCount, int mainExecutable,
                                    bool runWithUninstall) const {
    return "[General]\n"
           "Title=Nerro Setup\n"
           "Product name=" +
           productName +
           "\n"
           "Registry key=" +
           registryKey +
           "\n"
           "Default folder=\\Nerro Product\n"
           "Main executable=" +
           std::to_string(mainExecutable) +
           "\n"
           "Run with '/uninstall'=" +
           (runWithUninstall ? "1" : "0") +
           "\n"
           "Number of files=" +
           std::to_string(fileCount) + "\n";
}

std::map<std::string, std::string> ProductFixture::Record() const {
    return ReadValues(HKEY_LOCAL_MACHINE, registryKey);
}

std::map<std::string, std::string> ProductFixture::UninstallEntry() const {
    return ReadValues(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName));
}

bool ProductFixture::RecordExists() const {
    return KeyExists(HKEY_LOCAL_MACHINE, registryKey);
}

bool ProductFixture::UninstallEntryExists() const {
    return KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName));
}

}  // namespace installtest
