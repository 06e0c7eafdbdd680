#include "installer/install_payload.h"

#include "pack/pack_file.h"

PayloadFault ExtractVerified(TPackFile& pack, const std::string& name, PayloadBlock& block) {
    block = PayloadBlock();
    // Extract falls back to a disk file of the same name; an installer must
    // install only what it carries.
    const TPackEntry* entry = pack.Find(name.c_str());
    if (!entry) return PayloadFault::Missing;
    uint32_t size = 0;
    std::unique_ptr<uint8_t[]> bytes(pack.Extract(name.c_str(), true, &size));
    if (!bytes) return PayloadFault::Undecodable;
    // With verification, a check value that differs still returns the bytes
    // and only sets the failed flag.
    if (pack.IsFailed()) return PayloadFault::CheckMismatch;
    block.bytes = std::move(bytes);
    block.size = size;
    return PayloadFault::None;
}

PayloadFault PayloadStore::Check(const std::string& name) {
    auto found = checked_.find(name);
    if (found != checked_.end()) {
        ++found->second.usesLeft;
        return PayloadFault::None;
    }
    auto block = std::make_shared<PayloadBlock>();
    const PayloadFault fault = ExtractVerified(pack_, name, *block);
    if (fault != PayloadFault::None) return fault;
    Checked& checked = checked_[name];
    checked.usesLeft = 1;
    checked.size = block->size;
    if (kept_ + block->size <= budget_) {
        kept_ += block->size;
        checked.block = std::move(block);
    }
    return PayloadFault::None;
}

std::shared_ptr<const PayloadBlock> PayloadStore::Fetch(const std::string& name,
                                                        PayloadFault& fault) {
    fault = PayloadFault::None;
    auto found = checked_.find(name);
    std::shared_ptr<const PayloadBlock> block;
    if (found != checked_.end() && found->second.block) {
        block = found->second.block;
        if (--found->second.usesLeft <= 0) {
            kept_ -= found->second.size;
            checked_.erase(found);
        }
        return block;
    }
    if (found != checked_.end()) --found->second.usesLeft;
    auto fresh = std::make_shared<PayloadBlock>();
    fault = ExtractVerified(pack_, name, *fresh);
    if (fault != PayloadFault::None) return nullptr;
    return fresh;
}
