// The version of nerro-pack, printed by --version. Raise it here only.
#pragma once

constexpr const char* kPackToolVersion = "1.1.0";
