// runInOrder: items produced on several threads, consumed in order, never
// more than the window ahead; a stop or an exception ends the work cleanly.
#include "foundation/ordered_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct Case {
    size_t count;
    unsigned threads;
    size_t window;
};

TEST(OrderedWorkTest, ConsumesEveryItemInOrderWithinTheWindow) {
    const Case cases[] = {{0, 4, 8},  {1, 4, 8},   {50, 1, 1},  {50, 2, 1},
                          {50, 2, 4}, {200, 4, 8}, {200, 8, 3}, {7, 16, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.count << " items, " << c.threads << " threads, window " << c.window);
        std::vector<size_t> results(c.count, 0);
        std::atomic<size_t> started{0};
        std::atomic<size_t> consumed{0};
        std::atomic<size_t> aheadMost{0};
        std::vector<size_t> order;
        const bool whole = runInOrder(
            c.count, c.threads, c.window,
            [&](size_t i) {
                const size_t ahead = ++started - consumed;
                size_t seen = aheadMost;
                while (ahead > seen && !aheadMost.compare_exchange_weak(seen, ahead)) {
                }
                // Later items finish first now and then.
                volatile size_t spin = (c.count - i) * 200;
                while (spin > 0)
                    spin = spin - 1;
                results[i] = i * 3 + 1;
            },
            [&](size_t i) {
                EXPECT_EQ(results[i], i * 3 + 1);
                order.push_back(i);
                ++consumed;
                return true;
            });
        EXPECT_TRUE(whole);
        ASSERT_EQ(order.size(), c.count);
        for (size_t i = 0; i < order.size(); ++i)
            EXPECT_EQ(order[i], i);
        EXPECT_LE(aheadMost.load(), std::max<size_t>(c.window, 1));
    }
}

// With costs the costliest item the window allows starts first; the results
// are still taken in order, and the window still holds.
TEST(OrderedWorkTest, CostliestItemsStartFirst) {
    const std::vector<uint64_t> costs = {5, 90, 1, 70, 70, 3, 100, 8, 2, 60, 4, 9};
    // Picks one after the other with every item allowed: by falling cost,
    // the first of equal costs first.
    std::vector<char> started(costs.size(), 0);
    std::vector<size_t> picks;
    for (size_t i = 0; i < costs.size(); ++i) {
        const size_t item = nextItemToStart(started, 0, costs.size(), costs);
        ASSERT_LT(item, costs.size());
        started[item] = 1;
        picks.push_back(item);
    }
    EXPECT_EQ(picks, (std::vector<size_t>{6, 1, 3, 4, 9, 11, 7, 0, 10, 5, 8, 2}));
    EXPECT_EQ(nextItemToStart(started, 0, costs.size(), costs), costs.size());

    // Only what the window allows is considered.
    std::vector<char> none(costs.size(), 0);
    EXPECT_EQ(nextItemToStart(none, 0, 3, costs), 1u);
    EXPECT_EQ(nextItemToStart(none, 7, 10, costs), 9u);
    // Without costs: the first unstarted item.
    none[0] = none[2] = 1;
    EXPECT_EQ(nextItemToStart(none, 0, 3, {}), 1u);
    none[1] = 1;
    EXPECT_EQ(nextItemToStart(none, 0, 3, {}), 3u);

    // On threads, the items are still taken in order and the window holds.
    for (const size_t window : {costs.size(), size_t{3}}) {
        SCOPED_TRACE(window);
        std::mutex lock;
        std::vector<size_t> starts;
        std::vector<size_t> order;
        std::atomic<size_t> consumed{0};
        runInOrder(
            costs.size(), 3, window,
            [&](size_t i) {
                std::lock_guard<std::mutex> hold(lock);
                EXPECT_LT(i, consumed + window);
                starts.push_back(i);
            },
            [&](size_t i) {
                order.push_back(i);
                ++consumed;
                return true;
            },
            {}, costs);
        ASSERT_EQ(order.size(), costs.size());
        for (size_t i = 0; i < order.size(); ++i)
            EXPECT_EQ(order[i], i);
        std::sort(starts.begin(), starts.end());
        for (size_t i = 0; i < starts.size(); ++i)
            EXPECT_EQ(starts[i], i);
    }
}

TEST(OrderedWorkTest, AStopOrAnExceptionEndsTheWork) {
    for (const unsigned threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        std::atomic<size_t> produced{0};
        std::vector<size_t> order;
        EXPECT_FALSE(runInOrder(
            100, threads, 4, [&](size_t) { ++produced; },
            [&](size_t i) {
                order.push_back(i);
                return i < 9;
            }));
        EXPECT_EQ(order.size(), 10u);
        // Nothing beyond the window is started once item 9 stopped the work.
        EXPECT_LE(produced.load(), 10u + 4u);

        order.clear();
        EXPECT_THROW(runInOrder(
                         100, threads, 4, [](size_t) {},
                         [&](size_t i) {
                             if (i == 5) throw std::runtime_error("stop");
                             order.push_back(i);
                             return true;
                         }),
                     std::runtime_error);
        EXPECT_EQ(order.size(), 5u);
    }
}

TEST(OrderedWorkTest, IdleIsCalledWhileASlowItemIsAwaited) {
    std::atomic<bool> release{false};
    std::atomic<int> idles{0};
    runInOrder(
        2, 2, 2,
        [&](size_t i) {
            if (i == 0)
                while (!release)
                    std::this_thread::yield();
        },
        [](size_t) { return true; },
        [&] {
            if (++idles == 2) release = true;
        });
    EXPECT_GE(idles.load(), 2);
    EXPECT_GE(machineThreads(), 1u);
}

}  // namespace
