#include "foundation/tcollection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/runtime_error.h"

namespace {

constexpr const char* kUnit = "acollect";

[[noreturn]] void fail(int line, const std::string& message) {
    fatalRunTimeError(kUnit, line, message.c_str());
}

}  // namespace

TCollection::TCollection(int32_t initialCapacity, int32_t growBy) : growBy_(growBy) {
    setCapacity(initialCapacity);
}

const char* TCollection::ClassName() const {
    return "TCollection";
}

TObject* TCollection::CastTo(const char* name) {
    if (name && std::strcmp(name, "TCollection") == 0) return this;
    return TObject::CastTo(name);
}

void TCollection::FinalRelease() {
    if (ownsItems) deleteAllItems();
    setCapacity(0);
}

TCollection::~TCollection() = default;

// Negative indices are refused like those past the end, with the same text:
// they would otherwise read or write before the slot array.
bool TCollection::isValidIndex(int32_t index) const {
    return index >= 0 && index < count_;
}

void* TCollection::itemAt(int32_t index) {
    if (!isValidIndex(index))
        fail(__LINE__, "Collection index " + std::to_string(index) + " is out of bounds");
    return items_[index];
}

int32_t TCollection::indexOfItem(void* item) {
    for (int32_t i = 0; i < count_; ++i)
        if (items_[i] == item) return i;
    fail(__LINE__, "Item not found");
}

void TCollection::deleteAt(int32_t index) {
    void* item = itemAt(index);
    removeAt(index);
    releaseItem(item);
}

void TCollection::removeAt(int32_t index) {
    if (!isValidIndex(index)) fail(__LINE__, "Removing element no. " + std::to_string(index));
    std::memmove(&items_[index], &items_[index + 1], sizeof(void*) * (count_ - index - 1));
    --count_;
}

void TCollection::removeItem(void* item) {
    removeAt(indexOfItem(item));
}

void TCollection::removeAllItems() {
    count_ = 0;
}

void TCollection::deleteItem(void* item) {
    removeItem(item);
    releaseItem(item);
}

void TCollection::deleteAllItems() {
    for (int32_t i = 0; i < count_; ++i)
        releaseItem(itemAt(i));
    count_ = 0;
}

void TCollection::insertAt(int32_t index, void* item) {
    if (index < 0 || index > count_)
        fail(__LINE__,
             "Inserting at element no. " + std::to_string(index) + " of " + std::to_string(count_));
    if (count_ == capacity_) {
        // Without this check a full collection (65535 slots, or a growth step
        // of 0) would write past its storage.
        if (growBy_ <= 0 || capacity_ >= kMaxCapacity)
            fail(__LINE__, "Collection is full: no room for item no. " + std::to_string(count_));
        setCapacity(count_ + growBy_);
    }
    std::memmove(&items_[index + 1], &items_[index], sizeof(void*) * (count_ - index));
    ++count_;
    items_[index] = item;
}

void TCollection::replaceAt(int32_t index, void* item) {
    if (!isValidIndex(index))
        fail(__LINE__, "Collection index " + std::to_string(index) + " is out of bounds");
    items_[index] = item;
}

int32_t TCollection::append(void* item) {
    int32_t index = count_;
    insertAt(index, item);
    return index;
}

void* TCollection::findFirst(TestFunction test, void* argument) {
    for (int32_t i = 0; i < count_; ++i)
        if (test(items_[i], argument) == 1) return items_[i];
    return nullptr;
}

void* TCollection::findLast(TestFunction test, void* argument) {
    for (int32_t i = count_ - 1; i >= 0; --i)
        if (test(items_[i], argument) == 1) return items_[i];
    return nullptr;
}

void TCollection::forEachItem(ActionFunction action, void* argument) {
    for (int32_t i = 0; i < count_; ++i)
        action(items_[i], argument);
}

void TCollection::compact() {
    int32_t kept = 0;
    for (int32_t i = 0; i < count_; ++i)
        if (items_[i]) items_[kept++] = items_[i];
    count_ = kept;
}

void TCollection::setCapacity(int32_t newCapacity) {
    newCapacity = std::min(std::max(newCapacity, count_), kMaxCapacity);
    if (newCapacity == capacity_) return;
    std::unique_ptr<void*[]> storage;
    if (newCapacity > 0) {
        storage.reset(new void*[newCapacity]);
        std::copy(items_.get(), items_.get() + count_, storage.get());
    }
    items_ = std::move(storage);
    capacity_ = newCapacity;
}

void TCollection::releaseItem(void* item) {
    std::free(item);
}
