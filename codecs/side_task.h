// One piece of work beside the caller's: run on a thread of its own, or on
// the caller's thread when no thread is wanted or none can be had.
#pragma once

#include <system_error>
#include <thread>
#include <utility>

class SideTask {
public:
    SideTask() = default;
    SideTask(const SideTask&) = delete;
    SideTask& operator=(const SideTask&) = delete;
    ~SideTask() { wait(); }

    // Starts work (after the previous one is done); with onOwnThread false,
    // or without a thread, work is done before start returns.
    template <typename Work>
    void start(Work work, bool onOwnThread) {
        wait();
        if (onOwnThread) {
            try {
                thread_ = std::thread(work);
                return;
            } catch (const std::system_error&) {
            }
        }
        work();
    }

    // Returns once the work started last is done.
    void wait() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};
