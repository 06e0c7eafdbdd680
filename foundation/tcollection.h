// TCollection: a growable array of item pointers, kept in insertion order.
//
// Items are plain memory blocks from std::malloc (typically zero-terminated
// strings); releaseItem frees one with std::free and runs no destructor.
// Derived classes override releaseItem for other kinds of items. When
// ownsItems is set, releasing the collection's last reference frees every
// item; deleteAt/deleteItem/deleteAllItems always free, removeAt/removeItem/
// removeAllItems never do.
//
// Every misuse the collection detects is a fatal run-time error (unit
// "acollect") and never returns: an index outside 0..count-1, an item that is
// not there, an insertion that has no room to grow (65535 slots, or a growth
// step of 0).
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/tobject.h"

class TCollection : public TObject {
public:
    using TestFunction = int (*)(void* item, void* argument);  // 1 means "this one"
    using ActionFunction = void (*)(void* item, void* argument);

    static constexpr int32_t kMaxCapacity = 65535;

    TCollection(int32_t initialCapacity, int32_t growBy);

    const char* ClassName() const override;
    TObject* CastTo(const char* name) override;
    // Frees the items when ownsItems is set, then the storage.
    void FinalRelease() override;

    // Frees the slot array only, never the items.
    ~TCollection() override;

    virtual void* itemAt(int32_t index);
    // First index holding exactly this pointer; fatal "Item not found" if none.
    virtual int32_t indexOfItem(void* item);
    virtual void deleteAt(int32_t index);
    virtual void removeAt(int32_t index);
    virtual void removeItem(void* item);
    virtual void removeAllItems();
    virtual void deleteItem(void* item);
    virtual void deleteAllItems();
    // index may be 0..count; grows by growBy slots when full.
    virtual void insertAt(int32_t index, void* item);
    // Puts item at index; the old item is not freed.
    virtual void replaceAt(int32_t index, void* item);
    // Returns the new item's index.
    virtual int32_t append(void* item);
    // First (last) item for which test returns exactly 1, or null.
    virtual void* findFirst(TestFunction test, void* argument);
    virtual void* findLast(TestFunction test, void* argument);
    // Calls action for each item; count is re-read after every call.
    virtual void forEachItem(ActionFunction action, void* argument);
    // Moves the non-null items to the front in order; count becomes their number.
    virtual void compact();
    // Clamped to count..65535; 0 frees the storage.
    virtual void setCapacity(int32_t newCapacity);
    virtual void releaseItem(void* item);

    int32_t count() const { return count_; }
    int32_t capacity() const { return capacity_; }
    int32_t growBy() const { return growBy_; }

    bool ownsItems = false;

private:
    bool isValidIndex(int32_t index) const;

    std::unique_ptr<void*[]> items_;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    int32_t growBy_;
};
