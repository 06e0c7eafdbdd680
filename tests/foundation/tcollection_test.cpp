#include "foundation/tcollection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/foundation/fatal_report.h"

namespace {

void* tag(intptr_t value) {
    return reinterpret_cast<void*>(value);
}

std::vector<void*> contents(TCollection& c) {
    std::vector<void*> items;
    for (int32_t i = 0; i < c.count(); ++i)
        items.push_back(c.itemAt(i));
    return items;
}

// A collection of tags that must never free them.
struct TagCollection : TCollection {
    using TCollection::TCollection;
    void releaseItem(void* item) override { released.push_back(item); }
    std::vector<void*> released;
};

TEST(TCollectionTest, GrowsByItsStepOnlyWhenFull) {
    TagCollection c(20, 10);
    EXPECT_EQ(c.capacity(), 20);
    EXPECT_EQ(c.append(tag(1)), 0);
    for (int i = 1; i < 20; ++i)
        c.append(tag(i + 1));
    EXPECT_EQ(c.capacity(), 20);
    EXPECT_EQ(c.append(tag(21)), 20);
    EXPECT_EQ(c.capacity(), 30);
    for (int i = 21; i < 31; ++i)
        c.append(tag(i + 1));
    EXPECT_EQ(c.capacity(), 40);
    EXPECT_EQ(c.count(), 31);
    EXPECT_EQ(c.itemAt(30), tag(31));
}

TEST(TCollectionTest, SetCapacityIsClampedToCountAndLimit) {
    TagCollection c(4, 4);
    for (int i = 0; i < 3; ++i)
        c.append(tag(i + 1));
    c.setCapacity(1);
    EXPECT_EQ(c.capacity(), 3);
    EXPECT_EQ(contents(c), (std::vector<void*>{tag(1), tag(2), tag(3)}));
    c.setCapacity(70000);
    EXPECT_EQ(c.capacity(), 65535);
    c.removeAllItems();
    c.setCapacity(0);
    EXPECT_EQ(c.capacity(), 0);
}

TEST(TCollectionTest, InsertRemoveAndReplaceKeepOrder) {
    TagCollection c(2, 2);
    c.append(tag(1));
    c.append(tag(3));
    c.insertAt(1, tag(2));
    c.insertAt(0, tag(0));
    EXPECT_EQ(contents(c), (std::vector<void*>{tag(0), tag(1), tag(2), tag(3)}));
    c.removeAt(0);
    c.replaceAt(2, tag(9));
    EXPECT_EQ(contents(c), (std::vector<void*>{tag(1), tag(2), tag(9)}));
    EXPECT_TRUE(c.released.empty());  // remove and replace never free
    c.deleteAt(1);
    EXPECT_EQ(c.released, std::vector<void*>{tag(2)});
}

TEST(TCollectionTest, RemovesTheFirstOccurrenceOnly) {
    TagCollection c(4, 4);
    for (intptr_t v : {1, 2, 1})
        c.append(tag(v));
    EXPECT_EQ(c.indexOfItem(tag(1)), 0);
    c.removeItem(tag(1));
    EXPECT_EQ(contents(c), (std::vector<void*>{tag(2), tag(1)}));
    c.deleteItem(tag(1));
    EXPECT_EQ(contents(c), std::vector<void*>{tag(2)});
    EXPECT_EQ(c.released, std::vector<void*>{tag(1)});
}

TEST(TCollectionTest, CompactDropsNullsInOrder) {
    TagCollection c(4, 4);
    for (void* item : {tag(1), tag(0), tag(2), tag(0)})
        c.append(item);
    c.compact();
    EXPECT_EQ(contents(c), (std::vector<void*>{tag(1), tag(2)}));
}

TEST(TCollectionTest, FindAndForEach) {
    TagCollection c(4, 4);
    int calls = 0;
    auto never = [](void*, void* n) {
        ++*static_cast<int*>(n);
        return 1;
    };
    EXPECT_EQ(c.findFirst(never, &calls), nullptr);
    EXPECT_EQ(calls, 0);

    for (intptr_t v : {1, 2, 3, 4})
        c.append(tag(v));
    auto even = [](void* item, void*) { return reinterpret_cast<intptr_t>(item) % 2 == 0 ? 1 : 0; };
    // Only exactly 1 counts as "yes".
    auto two = [](void*, void*) { return 2; };
    EXPECT_EQ(c.findFirst(even, nullptr), tag(2));
    EXPECT_EQ(c.findLast(even, nullptr), tag(4));
    EXPECT_EQ(c.findFirst(two, nullptr), nullptr);

    // forEachItem re-reads count: an action that removes items sees fewer.
    std::vector<void*> seen;
    struct Walk {
        TagCollection* c;
        std::vector<void*>* seen;
    } walk{&c, &seen};
    c.forEachItem(
        [](void* item, void* arg) {
            auto* w = static_cast<Walk*>(arg);
            w->seen->push_back(item);
            if (w->c->count() > 2) w->c->removeAt(w->c->count() - 1);
        },
        &walk);
    EXPECT_EQ(seen, (std::vector<void*>{tag(1), tag(2)}));
}

TEST(TCollectionTest, OwningCollectionFreesItemsOnLastRelease) {
    // Under the sanitizer build a missing free shows as a leak, a double one as an error.
    auto* c = new TCollection(1, 1);
    c->ownsItems = true;
    c->append(std::malloc(16));
    c->append(std::malloc(16));
    c->append(nullptr);
    EXPECT_EQ(c->Release(), 0);
}

using TCollectionDeathTest = ::testing::Test;

TEST(TCollectionDeathTest, IndexErrorsAreFatalWithTheirTexts) {
    ScratchFolder folder("collection-fatal");
    TagCollection c(5, 5);
    for (int i = 0; i < 5; ++i)
        c.append(tag(i + 1));

    EXPECT_FATAL_REPORT(c.itemAt(5),
                        "File acollect, line [0-9]+:\nCollection index 5 is out of bounds");
    EXPECT_FATAL_REPORT(c.replaceAt(7, nullptr), "Collection index 7 is out of bounds");
    EXPECT_FATAL_REPORT(c.removeAt(5), "Removing element no. 5");
    EXPECT_FATAL_REPORT(c.removeItem(tag(99)), "Item not found");
    // Negative indices are refused the same way instead of touching memory
    // before the array.
    EXPECT_FATAL_REPORT(c.itemAt(-1), "Collection index -1 is out of bounds");
    EXPECT_FATAL_REPORT(c.removeAt(-2), "Removing element no. -2");
    EXPECT_FATAL_REPORT(c.insertAt(6, nullptr), "Inserting at element no. 6 of 5");

    // Each child appended its record: time line, text, empty line.
    std::string log = readLog(folder.path() / "error.lst");
    EXPECT_NE(log.find("\nFile acollect, line "), std::string::npos);
    EXPECT_NE(log.find(":\nCollection index 5 is out of bounds\nPlease report to "),
              std::string::npos);
    EXPECT_NE(log.find("Removing element no. 5\nPlease report to "), std::string::npos);
}

TEST(TCollectionDeathTest, AFullCollectionRefusesToGrow) {
    ScratchFolder folder("collection-full");
    TagCollection noStep(2, 0);
    noStep.append(tag(1));
    noStep.append(tag(2));
    EXPECT_FATAL_REPORT(noStep.append(tag(3)), "Collection is full: no room for item no. 2");

    TagCollection full(TCollection::kMaxCapacity, 10);
    for (int i = 0; i < TCollection::kMaxCapacity; ++i)
        full.append(tag(1));
    EXPECT_FATAL_REPORT(full.insertAt(0, tag(2)), "Collection is full");
    EXPECT_EQ(full.count(), TCollection::kMaxCapacity);
}

}  // namespace
