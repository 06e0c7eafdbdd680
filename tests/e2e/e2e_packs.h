// Installers and pack files for the end-to-end tests, made from the staged
// demo product (Nerro.ini, logo, catalogues, plug-ins, uninstall program).
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace e2e {

// Entry name -> contents; an empty map entry value is a real empty file.
using PackContents = std::map<std::string, std::string>;

// Every file of the demo product, by entry name.
PackContents DemoProductContents();
// The bytes of a file ("" when it cannot be read).
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Writes stub's bytes (none for an empty stub) followed by a pack of
// contents (block codec) to path. False on failure.
bool WriteInstaller(const std::string& path, const std::string& stubPath,
                    const PackContents& contents);
// Inverts one byte of the named entry's stored data inside installer.
bool FlipEntryByte(const std::string& installer, const std::string& entryName);

}  // namespace e2e
