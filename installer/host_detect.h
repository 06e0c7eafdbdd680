// Finding the supported image-editing host applications and their plug-in
// folders in the registry.
#pragma once

#include <string>
#include <vector>

#include "platform/win_sdk.h"

// One row of the host table.
struct HostApplication {
    const char* displayName;  // empty: end of the table
    HKEY root;                // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
    const char* keyPath;
    const char* valueName;  // empty: the key's default value
    const char* suffix;     // appended to the folder read from the value
};

// The built-in table, in probing order, ending with a row whose display name
// is empty: Fireworks MX, Paint Shop Pro 7, Photoshop 6, Paint Shop Pro 8,
// Photoshop 7, Photoshop 7 CE, Photoshop CS 8.
extern const HostApplication kHostApplications[];

// A host that was found: one row of the applications list.
struct DetectedHost {
    std::string displayName;  // "Application" column
    std::string folder;       // "Plug-in's folder" column: ends with a backslash, then the suffix
};

// The text of the REG_SZ value name of key (empty name: the default value),
// up to its first NUL, as UTF-8 (read with the wide functions, so a value
// written by an ANSI program reads as the text it meant); defaultText when the value is missing or of another
// type (REG_EXPAND_SZ included) or cannot be read.
std::string ReadRegistryString(HKEY key, const std::string& name, const std::string& defaultText);

// Probes each row of table (up to the first with an empty display name) and
// returns the hosts found, in list order: each found host goes above those
// found before it, so the list holds them in reverse table order. A host is
// found when its key opens and its value reads as non-empty text; its folder
// is that text with a backslash appended unless it ends with one, then the
// row's suffix. Never reports an error: anything else leaves the host out.
std::vector<DetectedHost> DetectHostApplications(const HostApplication* table = kHostApplications);
