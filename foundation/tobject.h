// TObject: root of the foundation library's classes.
//
// Every object carries a reference count that starts at 1 (the creator holds
// it). Whoever keeps a pointer longer calls AddRef; every holder calls Release
// when done, and the last Release runs FinalRelease and then deletes the
// object. An owner may also delete an object directly without Release.
//
// Each class answers for its own name: ClassName gives it, CastTo(name) gives
// the object when name is this class's name or one of its bases' names
// (exact, case-sensitive), else null. There is no registry of classes.
//
// The count is a plain integer: an object must not be shared between threads
// without outside locking. Release on an object whose count is already 0 is a
// caller's error and is not guarded against.
#pragma once

#include <cstdint>

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    // The six operations come first, in this order, in every derived class.
    virtual const char* ClassName() const;
    virtual TObject* CastTo(const char* name);
    virtual void FinalRelease();
    virtual int32_t AddRef();
    virtual int32_t RefCount() const;
    virtual int32_t Release();

    virtual ~TObject();

private:
    int32_t refCount_ = 1;
};
