#include "tools/tool_pe.h"

#include <cstdint>
#include <fstream>

#include "tools/tool_errors.h"

namespace {

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

// Little-endian integer of size bytes at offset; false when the file is shorter.
bool readLittleEndian(std::ifstream& in, uint64_t offset, int size, uint32_t& value) {
    in.seekg(static_cast<std::streamoff>(offset));
    unsigned char bytes[4] = {};
    if (!in.read(reinterpret_cast<char*>(bytes), size)) return false;
    value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return true;
}

}  // namespace

PeMachine readPeMachine(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    uint32_t mz = 0, header = 0, signature = 0, machine = 0;
    // "MZ", then at 0x3C the offset of "PE\0\0", followed by the machine.
    if (!readLittleEndian(in, 0, 2, mz) || mz != 0x5A4D) return PeMachine::None;
    if (!readLittleEndian(in, 0x3C, 4, header)) return PeMachine::None;
    if (!readLittleEndian(in, header, 4, signature) || signature != 0x00004550)
        return PeMachine::None;
    if (!readLittleEndian(in, uint64_t{header} + 4, 2, machine)) return PeMachine::None;
    if (machine == kMachineI386) return PeMachine::X86;
    if (machine == kMachineAmd64) return PeMachine::X64;
    return PeMachine::None;
}

const char* peMachineName(PeMachine machine) {
    switch (machine) {
    case PeMachine::X86: return "x86";
    case PeMachine::X64: return "x64";
    case PeMachine::None: break;
    }
    return "";
}

PeMachine parseArch(const std::string& arch) {
    if (arch == "x86") return PeMachine::X86;
    if (arch == "x64") return PeMachine::X64;
    throw UsageError("unknown architecture '" + arch + "' (x86 or x64)");
}
