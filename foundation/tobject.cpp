#include "foundation/tobject.h"

#include <cstring>

const char* TObject::ClassName() const {
    return "TObject";
}

TObject* TObject::CastTo(const char* name) {
    return name && std::strcmp(name, "TObject") == 0 ? this : nullptr;
}

void TObject::FinalRelease() {}

int32_t TObject::AddRef() {
    return ++refCount_;
}

int32_t TObject::RefCount() const {
    return refCount_;
}

int32_t TObject::Release() {
    if (--refCount_ != 0) return refCount_;
    FinalRelease();
    delete this;
    return 0;
}

TObject::~TObject() = default;
