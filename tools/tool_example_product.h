// The example product folder that nerro-pack init writes: every file's
// contents, ready to build as they are. The texts are UTF-8 with a byte
// order mark.
#pragma once

#include <string>

// "Nerro.ini" with every key the installer reads, each explained in a
// comment; the optional ones that need more of the product are commented out.
extern const char* const kExampleIni;
// "English.clg": the English texts of both dialogs and the final message.
extern const char* const kExampleCatalogue;
// "readme.txt": the one product file besides the uninstall program.
extern const char* const kExampleReadme;
// "logo.bmp": a small 24-bit bitmap (a blue gradient).
std::string exampleLogo();
