#include "foundation/ordered_work.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

unsigned machineThreads() {
    return std::max(1u, std::thread::hardware_concurrency());
}

size_t nextItemToStart(const std::vector<char>& started, size_t first, size_t end,
                       const std::vector<uint64_t>& costs) {
    size_t best = end;
    for (size_t item = first; item < end; ++item) {
        if (started[item]) continue;
        if (costs.empty()) return item;
        if (best == end || costs[item] > costs[best]) best = item;
    }
    return best;
}

namespace {

constexpr auto kIdleInterval = std::chrono::milliseconds(100);

// The state the workers and the consuming thread share, under one lock.
class OrderedWork {
public:
    OrderedWork(size_t count, size_t window, const std::function<void(size_t)>& produce,
                const std::vector<uint64_t>& costs)
        : count_(count),
          window_(std::max<size_t>(window, 1)),
          produce_(produce),
          costs_(costs.size() == count ? costs : std::vector<uint64_t>()),
          started_(count),
          done_(count) {}

    // A worker: takes the next item while the window allows, until stopped.
    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            size_t item = count_;
            changed_.wait(lock, [&] {
                item = NextItem();
                return stopped_ || item < count_ || firstUnstarted_ >= count_;
            });
            if (stopped_ || item >= count_) return;
            started_[item] = true;
            while (firstUnstarted_ < count_ && started_[firstUnstarted_])
                ++firstUnstarted_;
            lock.unlock();
            produce_(item);
            lock.lock();
            done_[item] = true;
            changed_.notify_all();
        }
    }

    // Waits until item has been produced, calling idle meanwhile.
    void AwaitProduced(size_t item, const std::function<void()>& idle) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!done_[item]) {
            if (!idle) {
                changed_.wait(lock, [&] { return static_cast<bool>(done_[item]); });
                break;
            }
            if (changed_.wait_for(lock, kIdleInterval,
                                  [&] { return static_cast<bool>(done_[item]); }))
                break;
            lock.unlock();
            idle();
            lock.lock();
        }
    }

    // item was consumed: the window moves on by one.
    void Consumed(size_t item) {
        std::lock_guard<std::mutex> lock(mutex_);
        consumed_ = item + 1;
        changed_.notify_all();
    }

    void Stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

private:
    // The item to start now, of those the window allows; count_ when none.
    size_t NextItem() const {
        const size_t end = std::min(count_, consumed_ + window_);
        const size_t item = nextItemToStart(started_, firstUnstarted_, end, costs_);
        return item < end ? item : count_;
    }

    const size_t count_;
    const size_t window_;
    const std::function<void(size_t)>& produce_;
    const std::vector<uint64_t> costs_;  // empty: items start in order
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<char> started_;  // not vector<bool>: one flag per item
    std::vector<char> done_;
    size_t firstUnstarted_ = 0;
    size_t consumed_ = 0;
    bool stopped_ = false;
};

// Stops the work and waits for the workers, however the consumer leaves.
class Workers {
public:
    // Starts up to count threads; as many as the system gives.
    Workers(OrderedWork& work, unsigned count) : work_(work) {
        threads_.reserve(count);
        try {
            for (unsigned i = 0; i < count; ++i)
                threads_.emplace_back([&work] { work.Work(); });
        } catch (const std::system_error&) {
        }
    }
    ~Workers() {
        work_.Stop();
        for (std::thread& thread : threads_)
            thread.join();
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    size_t Started() const { return threads_.size(); }

private:
    OrderedWork& work_;
    std::vector<std::thread> threads_;
};

}  // namespace

bool runInOrder(size_t count, unsigned threads, size_t window,
                const std::function<void(size_t)>& produce,
                const std::function<bool(size_t)>& consume, const std::function<void()>& idle,
                const std::vector<uint64_t>& costs) {
    const auto oneByOne = [&] {
        for (size_t item = 0; item < count; ++item) {
            produce(item);
            if (!consume(item)) return false;
        }
        return true;
    };
    if (threads <= 1 || count <= 1) return oneByOne();
    OrderedWork work(count, window, produce, costs);
    Workers workers(work, static_cast<unsigned>(std::min<size_t>(threads, count)));
    // A system that gives no thread at all still gets the work done.
    if (workers.Started() == 0) return oneByOne();
    for (size_t item = 0; item < count; ++item) {
        work.AwaitProduced(item, idle);
        if (!consume(item)) return false;
        work.Consumed(item);
    }
    return true;
}
