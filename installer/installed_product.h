// An earlier installation of the same product (same "Product ID"): what the
// system's list of installed programs and the install record say of it. An
// installation over it is an upgrade: it goes into the same folder, replaces
// the files, removes those the old version installed that the new one does
// not (unless the user changed them), and leaves one entry and one record.
#pragma once

#include <string>
#include <vector>

#include "config/install_config.h"
#include "platform/win_sdk.h"

struct InstalledFile {
    std::string path;
    // The check value recorded with it ("<m>.check"), or empty for records
    // written before checks were kept.
    std::string check;
};

struct InstalledProduct {
    bool present = false;
    std::string version;  // DisplayVersion; empty when none was given
    std::string folder;   // InstallLocation, else the record's "Path"; ends with a backslash
    std::vector<InstalledFile> files;  // the record's "<m>.file" values, in order
    std::vector<std::string> folders;  // the record's "<k>.folder" values, in order
};

// The installed product settings name (its uninstall entry and its record).
InstalledProduct FindInstalledProduct(const InstallSettings& settings);

// Compares dotted version texts number by number ("2.10" after "2.9",
// missing numbers count as 0; text after a number's digits is ignored).
// Negative when a is older, 0 when equal, positive when newer.
int CompareVersions(const std::string& a, const std::string& b);

// When settings' version is older than the installed one: the question whether
// to install it over the newer one; empty otherwise (nothing installed, the
// same or a newer version, or a version missing on either side).
std::string DowngradeQuestion(const InstallSettings& settings);

// The check value as the record keeps it: eight hexadecimal digits.
std::string CheckText(uint32_t check);
