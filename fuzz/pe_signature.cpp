// Fuzz target: the certificate table of arbitrary bytes taken as a PE image.
// Nothing may crash or read outside the bytes; a table that is found lies
// within them, ends at their end, begins after its directory entry, and has
// at most kPeSignaturePaddingMax zero bytes before it, all of them zero.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/byte_file.h"
#include "pack/pack_signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MemoryFile stream(bytes);
    const std::optional<PeCertificateTable> table = findPeCertificateTable(stream, bytes.size());
    if (!table) return 0;
    if (table->offset + table->size != bytes.size() || table->size < 8 ||
        table->offset < table->directoryPosition + 8 ||
        table->zerosBefore > kPeSignaturePaddingMax || table->zerosBefore > table->offset)
        std::abort();
    for (uint32_t i = 1; i <= table->zerosBefore; ++i)
        if (bytes[table->offset - i] != '\0') std::abort();
    return 0;
}
