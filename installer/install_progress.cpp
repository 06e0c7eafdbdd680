#include "installer/install_progress.h"

#include <algorithm>

InstallProgress::InstallProgress(std::atomic<int32_t>& value, uint64_t totalWeight)
    : value_(value), total_(std::max<uint64_t>(totalWeight, 1)) {
    value_ = 0;
}

void InstallProgress::Advance(uint64_t weight) {
    done_ = std::min(done_ + weight, total_);
    // Weights stay far below 2^57 (file sizes are 32-bit), so the product fits.
    const uint64_t percent = done_ * 100 / total_;
    value_ = static_cast<int32_t>(std::min<uint64_t>(percent, 99));
}

void InstallProgress::Finish() {
    value_ = 100;
}
