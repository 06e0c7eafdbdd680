// Work on a list of items on several threads, with the results taken in the
// list's order: entries of a pack coded or decoded side by side, and written,
// printed or checked one after the other exactly as one thread would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// The number of threads the machine runs at once (at least 1).
unsigned machineThreads();

// Runs produce(i) for every i in [0, count) on up to `threads` worker
// threads, and consume(i) on the calling thread for i = 0, 1, ... in order,
// each as soon as produce(i) has returned. produce(i) starts only while fewer
// than `window` items (at least 1) have been started and not yet consumed,
// which bounds what the results may hold at once. produce must not throw;
// it may run at the same time as other produce calls and as consume, so it
// works on state of its own (item i's slot in the caller's table; what
// produce(i) writes there is visible to consume(i)).
//
// consume returning false stops the work: no produce starts afterwards, the
// running ones are waited for, and runInOrder returns false. An exception
// from consume (or idle) stops the work the same way and is then rethrown.
// idle, when given, is called on the calling thread about every 100 ms while
// it waits for a result (a progress display's spinner).
//
// costs, when given (one per item, such as its size), let the costliest of
// the items that the window allows start first: a long item then does not
// run alone at the end while the other threads wait. Without them, items
// start in ascending order. The item the calling thread waits for is always
// among those allowed, so the work never stalls.
//
// With threads <= 1 no thread is started: produce(i) and consume(i)
// alternate on the calling thread.
// The item runInOrder starts next: of the items in [first, end) whose
// started flag is clear, the costliest (the first of equal costs), or the
// first one when costs is empty; end when every one has started.
size_t nextItemToStart(const std::vector<char>& started, size_t first, size_t end,
                       const std::vector<uint64_t>& costs);

bool runInOrder(size_t count, unsigned threads, size_t window,
                const std::function<void(size_t)>& produce,
                const std::function<bool(size_t)>& consume, const std::function<void()>& idle = {},
                const std::vector<uint64_t>& costs = {});
