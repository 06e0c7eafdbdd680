#include "installer/install_payload.h"

#include <new>

#include "foundation/ordered_work.h"
#include "pack/pack_file.h"

namespace {

PayloadFault faultOf(PackReadStatus status) {
    switch (status) {
        case PackReadStatus::Ok:
            return PayloadFault::None;
        case PackReadStatus::NoEntry:
            return PayloadFault::Missing;
        case PackReadStatus::CheckMismatch:
            return PayloadFault::CheckMismatch;
        default:
            return PayloadFault::Undecodable;
    }
}

// Decodes entry whole and verifies it into block (left empty on a fault).
// Only reads the pack: any thread may call it, as ReadEntryShared allows.
PayloadFault decodeVerified(const TPackFile& pack, const TPackEntry& entry, PayloadBlock& block) {
    block = PayloadBlock();
    const uint32_t size = entry.size;
    // Plus a zero byte behind the data, as Extract gives them.
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(size) + 1]);
    if (!bytes) return PayloadFault::Undecodable;
    PackBlockSink sink(bytes.get(), size);
    const PayloadFault fault = faultOf(pack.ReadEntryShared(entry, sink, nullptr));
    if (fault != PayloadFault::None) return fault;
    bytes[size] = 0;
    block.bytes = std::move(bytes);
    block.size = size;
    block.check = entry.crc;
    return PayloadFault::None;
}

}  // namespace

PayloadFault ExtractVerified(TPackFile& pack, const std::string& name, PayloadBlock& block) {
    block = PayloadBlock();
    // Only the index: Extract would fall back to a disk file of the same
    // name, and an installer must install only what it carries.
    const TPackEntry* entry = pack.Find(name.c_str());
    if (!entry) return PayloadFault::Missing;
    return decodeVerified(pack, *entry, block);
}

PayloadFault PayloadStore::Check(const std::string& name) {
    return CheckAll({name}, 1).fault;
}

namespace {

// One use of an entry in CheckAll.
struct PayloadUse {
    bool decode = false;  // the first use of an entry not checked before
    bool keep = false;    // its bytes fit the budget
    const TPackEntry* entry = nullptr;
    PayloadFault fault = PayloadFault::None;
    std::shared_ptr<PayloadBlock> block;
};

// Decodes (and checks) one entry; keeps its bytes in use.block when asked.
void decodeUse(const TPackFile& pack, PayloadUse& use) {
    if (!use.entry) {
        use.fault = PayloadFault::Missing;
        return;
    }
    if (!use.keep) {
        DiscardingSink discard;
        use.fault = faultOf(pack.ReadEntryShared(*use.entry, discard, nullptr));
        return;
    }
    auto block = std::make_shared<PayloadBlock>();
    use.fault = decodeVerified(pack, *use.entry, *block);
    if (use.fault == PayloadFault::None) use.block = std::move(block);
}

}  // namespace

PayloadCheck PayloadStore::CheckAll(const std::vector<std::string>& names, unsigned threads,
                                    const std::function<void(size_t)>& checked) {
    // Which uses decode, and which entries' bytes are kept, is settled here
    // in order from the recorded sizes; Check one after the other settles it
    // from the decoded sizes, which are the same for every entry found fine.
    std::vector<PayloadUse> uses(names.size());
    std::vector<uint64_t> costs(names.size(), 0);
    std::map<std::string, size_t> firstUse;
    uint64_t planned = kept_;
    for (size_t i = 0; i < names.size(); ++i) {
        if (checked_.count(names[i]) || !firstUse.emplace(names[i], i).second) continue;
        PayloadUse& use = uses[i];
        use.decode = true;
        use.entry = pack_.Find(names[i].c_str());
        if (use.entry) costs[i] = use.entry->size;
        if (use.entry && planned + use.entry->size <= budget_) {
            use.keep = true;
            planned += use.entry->size;
        }
    }
    PayloadCheck result{names.size(), PayloadFault::None};
    const auto decode = [&](size_t i) {
        if (uses[i].decode) decodeUse(pack_, uses[i]);
    };
    const auto take = [&](size_t i) {
        PayloadUse& use = uses[i];
        if (use.fault != PayloadFault::None) {
            result = PayloadCheck{i, use.fault};
            return false;
        }
        if (use.decode) {
            Checked& entry = checked_[names[i]];
            entry.usesLeft = 1;
            entry.size = use.entry->size;
            if (use.block) {
                kept_ += use.block->size;
                entry.block = std::move(use.block);
            }
        } else {
            ++checked_[names[i]].usesLeft;
        }
        if (checked) checked(i);
        return true;
    };
    // The kept bytes stay within the budget whatever the order, and the
    // others are not held: any use may be decoded ahead, the larger first.
    runInOrder(names.size(), threads, names.size(), decode, take, {}, costs);
    return result;
}

std::shared_ptr<const PayloadBlock> PayloadStore::Take(const std::string& name) {
    auto found = checked_.find(name);
    if (found == checked_.end()) return nullptr;
    std::shared_ptr<const PayloadBlock> block = found->second.block;
    if (--found->second.usesLeft <= 0) {
        kept_ -= block ? found->second.size : 0;
        checked_.erase(found);
    }
    return block;
}

std::shared_ptr<const PayloadBlock> PayloadStore::Decode(const TPackEntry& entry,
                                                         PayloadFault& fault) const {
    auto fresh = std::make_shared<PayloadBlock>();
    fault = decodeVerified(pack_, entry, *fresh);
    if (fault != PayloadFault::None) return nullptr;
    return fresh;
}

std::shared_ptr<const PayloadBlock> PayloadStore::Fetch(const std::string& name,
                                                        PayloadFault& fault) {
    fault = PayloadFault::None;
    if (std::shared_ptr<const PayloadBlock> kept = Take(name)) return kept;
    const TPackEntry* entry = pack_.Find(name.c_str());
    if (!entry) {
        fault = PayloadFault::Missing;
        return nullptr;
    }
    return Decode(*entry, fault);
}
