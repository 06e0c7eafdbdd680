// The product's files as the pack holds them, checked before installation.
//
// The installation checks every entry it will install before it writes
// anything, so that a damaged installer installs nothing at all. Checking
// means decoding, the costly part of an installation, so the decoded bytes
// are kept for writing while they fit a memory budget; entries beyond it are
// decoded (and checked) again when their turn comes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TPackFile;
struct TPackEntry;

// Why an entry cannot be installed.
enum class PayloadFault {
    None,           // present, decoded to its recorded size, check value matches
    Missing,        // no entry of that name in the pack
    Undecodable,    // data outside the file, a damaged or short stream, or no memory
    CheckMismatch,  // decoded, but the pack check value differs from the record
};

// Decoded bytes of one entry. Freed with delete[] (they come from Extract).
struct PayloadBlock {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t size = 0;
    // The pack check value of the bytes: the entry's recorded one, which
    // they were verified against, so nobody has to compute it again.
    uint32_t check = 0;
};

// Extracts the entry name from pack with verification. Only pack entries
// count: unlike Extract, a file of that name on disk is never read. On None
// block holds the bytes; otherwise block is left empty.
PayloadFault ExtractVerified(TPackFile& pack, const std::string& name, PayloadBlock& block);

// Kept decoded entries in all may take this many bytes by default: room for
// a typical plug-in product at once, still small beside a 32-bit process's
// address space.
constexpr uint64_t kDefaultPayloadBudget = 128u << 20;

// The first use that CheckAll found faulty.
struct PayloadCheck {
    size_t index = 0;  // position in the names given; their count when all are fine
    PayloadFault fault = PayloadFault::None;
};

// Checked entries, and the decoded bytes of those that fit the budget. Uses
// the pack as its only user between the first Check and the last Fetch.
class PayloadStore {
public:
    PayloadStore(TPackFile& pack, uint64_t budget) : pack_(pack), budget_(budget) {}

    // Checks entry name for one more use (an entry may be installed to more
    // than one place; it is decoded for the check only once). Keeps its bytes
    // when they fit the budget beside those kept already.
    PayloadFault Check(const std::string& name);

    // Checks each of names in turn as Check does, until the first fault,
    // with up to `threads` entries decoded side by side: the same entries
    // are kept and the same fault is found as by one Check after the other.
    // checked(i) is called on the calling thread for each use found fine, in
    // order. Memory: besides the kept bytes (at most the budget), each
    // thread's decoder (about 4.5 MB) and window (256 KiB); entries that are
    // not kept are checked without being held.
    PayloadCheck CheckAll(const std::vector<std::string>& names, unsigned threads,
                          const std::function<void(size_t)>& checked = {});

    // The bytes of a checked entry for one of its uses: Take, or else a
    // fresh Decode (whose fault is returned in fault). Null with fault set
    // when a fresh decoding fails (the pack changed since the check).
    std::shared_ptr<const PayloadBlock> Fetch(const std::string& name, PayloadFault& fault);

    // The kept bytes of a checked entry for one of its uses, or null when
    // they were not kept. They leave the store with the entry's last use.
    std::shared_ptr<const PayloadBlock> Take(const std::string& name);

    // Decodes entry (a record of the store's pack) afresh and verifies it as
    // the check did. Only reads the pack: several threads may decode at
    // once while no other operation runs on the pack (Take and the store's
    // bookkeeping may go on meanwhile). Null with fault set when it fails.
    std::shared_ptr<const PayloadBlock> Decode(const TPackEntry& entry, PayloadFault& fault) const;

    // Bytes held now.
    uint64_t KeptBytes() const { return kept_; }

private:
    struct Checked {
        int usesLeft = 0;
        uint32_t size = 0;
        std::shared_ptr<const PayloadBlock> block;  // null when not kept
    };

    TPackFile& pack_;
    uint64_t budget_;
    uint64_t kept_ = 0;
    std::map<std::string, Checked> checked_;
};
