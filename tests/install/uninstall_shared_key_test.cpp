// A record key that holds somebody else's values or sub-keys besides the
// installer's: the removal takes only the installer's values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_test_support.h"
#include "installer/install_record.h"
#include "platform/kernel_handles.h"
#include "uninstall_run_support.h"
#include "uninstaller/uninstall_record.h"
#include "uninstaller/uninstall_remove.h"
#include "platform/win_text.h"

namespace {

using installtest::KeyExists;
using installtest::ScopedRegKey;

struct ForeignValue {
    std::string key;  // below the record's key; "" for the key itself
    std::string name;
    DWORD type;
    std::string data;
};

// Every value and sub-key below HKEY_LOCAL_MACHINE\path, values with type and bytes.
std::set<std::string> keyContents(const std::string& path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return {};
    const RegKey key(opened);
    return installtest::RegistrySnapshot(key.Get(), "record");
}

// Writes value below the record's key (the vendor's scope deletes it).
void writeForeign(const std::string& recordKey, const ForeignValue& value) {
    const std::string path = recordKey + (value.key.empty() ? "" : "\\" + value.key);
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    const RegKey key(opened);
    if (value.type == REG_NONE) return;  // the key alone
    ASSERT_EQ(RegSetValueExA(key.Get(), value.name.c_str(), 0, value.type,
                             reinterpret_cast<const BYTE*>(value.data.data()),
                             static_cast<DWORD>(value.data.size())),
              ERROR_SUCCESS);
}

TEST(UninstallSharedRecordKey, ForeignValuesAndSubKeysStayByteForByte) {
    const struct {
        const char* what;
        std::vector<ForeignValue> foreign;
    } cases[] = {
        {"a vendor's value beside the record",
         {{"", "Other product", REG_SZ, "C:\\Other\\"},
          {"", "Settings", REG_BINARY, std::string("\x01\x00\xff\x02", 4)}}},
        {"names like the installer's that are not",
         {{"", "x.file", REG_SZ, "C:\\Other\\x.dll"},
          {"", "Path2", REG_SZ, "C:\\Other"},
          {"", "1.files", REG_DWORD, std::string("\x07\x00\x00\x00", 4)}}},
        {"a run key's program", {{"", "Other tray", REG_EXPAND_SZ, "%ProgramFiles%\\o.exe"}}},
        {"another product's sub-key", {{"Other\\Deep", "Version", REG_SZ, "2.0"}}},
        {"an empty sub-key", {{"Empty", "", REG_NONE, ""}}},
        {"both", {{"", "Owner", REG_SZ, "Other"}, {"Other", "", REG_SZ, "default"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string product = installtest::UniqueName("NerroRecordTest");
        ScopedRegKey vendor(HKEY_LOCAL_MACHINE, "Software\\" + product);
        ASSERT_TRUE(vendor.Fresh());
        const std::string recordKey = vendor.Path() + "\\Shared";
        ScopedRegKey record(HKEY_LOCAL_MACHINE, recordKey);
        record.Create();
        for (const ForeignValue& value : c.foreign)
            writeForeign(recordKey, value);
        const std::set<std::string> foreign = keyContents(recordKey);

        const std::string entryKey = kUninstallKeyPrefix + product;
        ScopedRegKey entry(HKEY_LOCAL_MACHINE, entryKey);
        entry.SetString("DisplayName", product);
        record.SetString("Path", "C:\\NoSuchNerro\\");
        record.SetString("Product", product);
        record.SetString("Main executable", "C:\\NoSuchNerro\\a.exe");
        record.SetString("0.folder", "C:\\NoSuchNerro");
        record.SetString("0.file", "C:\\NoSuchNerro\\a.exe");
        record.SetString("12.file", "C:\\NoSuchNerro\\b.dll");
        record.SetString("0.regkey", entryKey);
        record.SetString("1.regkey", recordKey);
        const RecordRead read = ReadUninstallRecord(HKEY_LOCAL_MACHINE, recordKey);
        ASSERT_EQ(read.status, RecordStatus::Ok) << read.problem;

        EXPECT_TRUE(RemoveInstallation(HKEY_LOCAL_MACHINE, read.record).Complete());
        EXPECT_EQ(installtest::SnapshotDifference(foreign, keyContents(recordKey)), "");
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entryKey));
    }
}

}  // namespace
