// The progress value of an installation: a steady 0..100 over weighted steps.
#pragma once

#include <atomic>
#include <cstdint>

// Maps work done to the progress value. Each step carries a weight (the
// installation weighs a file by its size plus a fixed share for its
// per-file work), the value is the share of the total weight done, in whole
// percent, rounded down, so it never goes back and reaches 100 only through
// Finish. Works for any number of steps, one included.
class InstallProgress {
public:
    // value is written on every Advance and Finish; it starts at 0 here.
    InstallProgress(std::atomic<int32_t>& value, uint64_t totalWeight);

    // Marks weight more as done and writes the new value (at most 99 until
    // Finish, so that 100 means "finished").
    void Advance(uint64_t weight);

    // Writes 100.
    void Finish();

private:
    std::atomic<int32_t>& value_;
    uint64_t total_;
    uint64_t done_ = 0;
};
