#include "tools/tool_example_product.h"

#include <cstdint>

// TIniFile has no comment syntax: a line without "=" is never found, and a
// line whose key begins with ";" matches no key the installer asks for.
// Both texts are UTF-8 and begin with its byte order mark, so that every
// editor keeps them UTF-8 when letters of any language are typed in.
const char* const kExampleIni =
    "\xEF\xBB\xBF; Nerro.ini: how the installer installs this product.\r\n"
    "; Keys and section names are case-sensitive. This file is UTF-8: keep it so.\r\n"
    "[General]\r\n"
    "; Only for a file saved as ANSI instead: the code page of its letters\r\n"
    "; (1252 Western, 1250 Central European, 1251 Cyrillic, 932 Japanese...).\r\n"
    "; Code page=1252\r\n"
    "; Caption of the installer's window (default \"Ostrel Ltd\").\r\n"
    "Title=Example Filters Setup\r\n"
    "; The product's name: message boxes, the uninstall entry. Required.\r\n"
    "Product name=Example Filters 1.0\r\n"
    "; One line at the foot of the dialog (default: none).\r\n"
    "Copyright=Copyright (c) Example Software\r\n"
    "; Shown in Programs and Features (default: none).\r\n"
    "Version=1.0\r\n"
    "Publisher=Example Software\r\n"
    "; Names the uninstall entry's key (default: the Product name).\r\n"
    "Product ID=Example Filters\r\n"
    "; Support page shown in Programs and Features (default: none).\r\n"
    "; Help link=https://example.com/support\r\n"
    "; Key below HKEY_LOCAL_MACHINE for the install record. Required.\r\n"
    "Registry key=Software\\Example Software\\Example Filters\r\n"
    "; Folder below Program Files when no host application is found; begins\r\n"
    "; with a backslash. Required.\r\n"
    "Default folder=\\Example Filters\r\n"
    "; The folder name \"Browse ...\" appends to the folder the user picks\r\n"
    "; (default: none).\r\n"
    "Default program folder=Example Filters\r\n"
    "; Number of the file section of the main program: its icon stands in\r\n"
    "; Programs and Features when it is a program (default 0).\r\n"
    "Main executable=0\r\n"
    "; 1: the install record names the main program for the uninstall\r\n"
    "; program (default 0).\r\n"
    "Run with '/uninstall'=0\r\n"
    "; Read and kept, not used (default 0).\r\n"
    "Readme=0\r\n"
    "Run with '/install'=0\r\n"
    "Advanced options=0\r\n"
    "Advanced options def=0\r\n"
    "; File types, read and kept, not registered: \"Number of file types\",\r\n"
    "; then for N = 0, 1, ... the keys \"File type N.Description\", \".Name\",\r\n"
    "; \".Extensions\", \".Icon\", \".Open command\", \".Open command file\"\r\n"
    "; (default 0: none).\r\n"
    "Number of file types=0\r\n"
    "; File type 0.Description=Example filter settings\r\n"
    "; File type 0.Name=ExampleFilters.Settings\r\n"
    "; File type 0.Extensions=.exf\r\n"
    "; File type 0.Icon=0\r\n"
    "; File type 0.Open command=\r\n"
    "; File type 0.Open command file=0\r\n"
    "; How many file sections [0], [1]... follow. Required.\r\n"
    "Number of files=2\r\n"
    "\r\n"
    "; One section per file, numbered from 0.\r\n"
    "[0]\r\n"
    "; The file in the product folder (subfolders with a backslash).\r\n"
    "Name=readme.txt\r\n"
    "; Its path below the installation folder.\r\n"
    "Create name=readme.txt\r\n"
    "; A shortcut to it in the Start menu's Programs folder (default: none).\r\n"
    "Shortcut name=Example Filters - Read me\r\n"
    "; Arguments of the shortcut (default: none; the uninstall program's\r\n"
    "; shortcut always gets the install record's key).\r\n"
    "; Arguments=\r\n"
    "; 1: install into the Windows folder, or the system folder (default 0).\r\n"
    "To windows folder=0\r\n"
    "To system folder=0\r\n"
    "; 1: the uninstall program removes it (default 0).\r\n"
    "Can uninstall=1\r\n"
    "\r\n"
    "; The last file is the uninstall program.\r\n"
    "[1]\r\n"
    "Name=nerro-uninstall.exe\r\n"
    "Create name=nerro-uninstall.exe\r\n"
    "Shortcut name=Uninstall Example Filters\r\n"
    "Can uninstall=1\r\n"
    "\r\n"
    "; Host applications of today, listed before the seven built-in ones\r\n"
    "; (\"Built-in hosts=0\" in [General] hides those). Each definition says what\r\n"
    "; it assumes: correct it here, no new build of the installer is needed.\r\n"
    "; Keys: Name ({key} is the matched sub-key), Root (HKLM or HKCU), Key (a last\r\n"
    "; component * lists every sub-key, newest version first), Value (empty: the\r\n"
    "; key's default value), Sub-folder (appended to the value), View (32, 64 or\r\n"
    "; both, the default), or Folder instead of Root/Key/Value: a fixed folder\r\n"
    "; with %ProgramFiles%, %CommonProgramFiles%, %AppData% or %LocalAppData%.\r\n"
    "; Adobe Photoshop CS4 and later: one key per version in the 64-bit view;\r\n"
    "; \"ApplicationPath\" is the application folder, \"Plug-ins\" below it.\r\n"
    "[Host 0]\r\n"
    "Name=Adobe Photoshop {key}\r\n"
    "Root=HKLM\r\n"
    "Key=SOFTWARE\\Adobe\\Photoshop\\*\r\n"
    "Value=ApplicationPath\r\n"
    "Sub-folder=Plug-ins\r\n"
    "View=64\r\n"
    "\r\n"
    "; The folder every CC-era Photoshop also loads plug-ins from.\r\n"
    "[Host 1]\r\n"
    "Name=Adobe Photoshop (all CC versions)\r\n"
    "Folder=%CommonProgramFiles%\\Adobe\\Plug-Ins\\CC\r\n"
    "\r\n"
    "; Corel PaintShop Pro X9 (64-bit): the user's first plug-in folder. Later\r\n"
    "; versions may name their key by year: add a section for each you support.\r\n"
    "[Host 2]\r\n"
    "Name=Corel PaintShop Pro X9\r\n"
    "Root=HKCU\r\n"
    "Key=SOFTWARE\\Corel\\PaintShop Pro\\X9\\FileLocations\\PlugIns\\0\r\n"
    "Value=Dir\r\n"
    "View=64\r\n"
    "\r\n"
    "; Affinity Photo keeps no plug-in folder in the registry (it is chosen in its\r\n"
    "; preferences): this assumes the folder your documentation tells users to use.\r\n"
    "[Host 3]\r\n"
    "Name=Affinity Photo\r\n"
    "Folder=%ProgramFiles%\\Affinity\\Photo Plugins\r\n"
    "\r\n"
    "; IrfanView (free) loads Photoshop filters from a folder its users choose;\r\n"
    "; this assumes the usual \"Plugins\\Adobe 8BF\" of a 64-bit installation.\r\n"
    "[Host 4]\r\n"
    "Name=IrfanView\r\n"
    "Folder=%ProgramFiles%\\IrfanView\\Plugins\\Adobe 8BF\r\n";

const char* const kExampleCatalogue =
    "\xEF\xBB\xBF; English texts of the installer. Save catalogues as UTF-8, like\r\n"
    "; this one: a catalogue then reads the same on every system.\r\n"
    "; [Info]: system language ids (hexadecimal, lowercase) this catalogue serves.\r\n"
    "[Info]\r\n"
    "409=ok\r\n"
    "809=ok\r\n"
    "c09=ok\r\n"
    "1009=ok\r\n"
    "\r\n"
    "; [Main]: the main dialog. 0 is its caption, numbers are controls.\r\n"
    "[Main]\r\n"
    "0=Example Filters Setup\r\n"
    "1001=Install\r\n"
    "1004=Browse ...\r\n"
    "1007=Installing, please wait ...\r\n"
    "1016=To begin the installation click 'Install'\r\n"
    "1023=Installation path\r\n"
    "1025=Detected applications\r\n"
    "1026=Language\r\n"
    "1027=Exit\r\n"
    "1030=No supported application was found; the product goes to the folder below.\r\n"
    "2=Cancel\r\n"
    "1011_0=Application\r\n"
    "1011_1=Plug-in's folder\r\n"
    "; The message after a successful installation (\\n: a new line).\r\n"
    "complete=The installation is complete.\\nRestart your host application.\r\n"
    "\r\n"
    "; [Browse]: the folder chooser.\r\n"
    "[Browse]\r\n"
    "0=Choose the installation folder\r\n"
    "1=OK\r\n"
    "2=Cancel\r\n";

const char* const kExampleReadme =
    "Example Filters 1.0\r\n"
    "\r\n"
    "Replace this file, and name your plug-ins in Nerro.ini.\r\n";

namespace {

void putLe(std::string& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string exampleLogo() {
    constexpr uint32_t kWidth = 64;
    constexpr uint32_t kHeight = 96;
    constexpr uint32_t kRowSize = kWidth * 3;  // a multiple of 4: no row padding
    constexpr uint32_t kHeadersSize = 14 + 40;
    std::string bytes = "BM";
    putLe(bytes, kHeadersSize + kRowSize * kHeight, 4);
    putLe(bytes, 0, 4);
    putLe(bytes, kHeadersSize, 4);
    putLe(bytes, 40, 4);  // BITMAPINFOHEADER
    putLe(bytes, kWidth, 4);
    putLe(bytes, kHeight, 4);
    putLe(bytes, 1, 2);   // planes
    putLe(bytes, 24, 2);  // bits per pixel
    putLe(bytes, 0, 4);   // no compression
    putLe(bytes, kRowSize * kHeight, 4);
    putLe(bytes, 2835, 4);  // 72 dots per inch
    putLe(bytes, 2835, 4);
    putLe(bytes, 0, 4);
    putLe(bytes, 0, 4);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            bytes.push_back(static_cast<char>(128 + y));     // blue
            bytes.push_back(static_cast<char>(40 + y + x));  // green
            bytes.push_back(static_cast<char>(20 + x / 2));  // red
        }
    }
    return bytes;
}
