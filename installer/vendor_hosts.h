// The host applications a vendor defines in "Nerro.ini" ([Host N] sections,
// install_config.h), found in the registry view asked for or by a fixed
// folder, and the whole list the installer shows: the vendor's hosts in
// section order, then (unless "Built-in hosts" is 0) the built-in ones.
#pragma once

#include <string>
#include <vector>

#include "config/install_config.h"
#include "installer/host_detect.h"

// The hosts of one definition, newest first for a "*" key (sub-key names
// compared as version numbers). A 32-bit installer reads the 64-bit view
// where asked (KEY_WOW64_64KEY), so it finds 64-bit hosts on 64-bit Windows.
std::vector<DetectedHost> DetectVendorHost(const HostDefinition& host);

// %ProgramFiles%, %CommonProgramFiles% (the 64-bit folders where the system
// has them), %AppData% and %LocalAppData% in text expanded; other text as it
// stands.
std::string ExpandHostFolder(const std::string& text);

// Every host to list for config, without repeats.
std::vector<DetectedHost> DetectHosts(const InstallConfiguration& config);
