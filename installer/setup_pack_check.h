// The installer's check of its own pack at start-up, before any window.
//
// An installer whose file holds no valid pack (truncated, damaged index),
// whose pack lacks "Nerro.ini" or "logo.bmp", whose configuration files or
// catalogues do not decode to their check values, or whose configuration
// cannot be installed (config_check.h) shows one message box saying it is
// damaged or incomplete, and the program ends without installing anything.
// The product's own files are checked by the install worker before it writes
// anything (install_worker.h), so a fault there ends the installation
// with the worker's message, again with nothing installed.
#pragma once

#include <string>

class TPackFile;

// Caption and first sentence of the damaged-installer message box.
constexpr const char* kDamagedInstallerCaption = "Damaged installer";
constexpr const char* kDamagedInstallerText =
    "This installer is damaged or incomplete, so it cannot install anything.";

// Empty when pack can be used; otherwise the reasons, one line each.
std::string FindPackDamage(TPackFile& pack);

// The whole message box text for the reasons FindPackDamage gave.
std::string DamagedInstallerMessage(const std::string& reasons);
