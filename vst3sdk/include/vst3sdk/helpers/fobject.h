// FObject: the reference-counted base of the layer's helper classes.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"

#include <atomic>

namespace Steinberg {

/** Class-name string used for in-module type checks; never crosses the ABI. */
using FClassID = const char*;

/** Equal class names (strcmp), false when either is null. */
bool classIDsEqual(FClassID a, FClassID b);

/** Reference-counted object answering FUnknown and IDependent. Starts with one reference (the
    creator's); deletes itself when the count drops to zero. Derived classes answer their own
    interfaces in queryInterface and then chain to their base's. */
class FObject : public IDependent {
public:
    FObject() = default;
    FObject(const FObject&) = delete;
    FObject& operator=(const FObject&) = delete;
    virtual ~FObject() = default;

    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
    uint32 PLUGIN_API addRef() override;
    uint32 PLUGIN_API release() override;
    void PLUGIN_API update(FUnknown* changedUnknown, int32 message) override;

    /** Current reference count (for tests and diagnostics). */
    int32 getRefCount() const { return refCount.load(); }

    /** Hook fired when the object's observable value changed; nothing listens by default. */
    virtual void changed(int32 message = 0);

    static FClassID getFClassID() { return "FObject"; }
    virtual FClassID isA() const { return getFClassID(); }
    virtual bool isTypeOf(FClassID s, bool askBaseClass = true) const;

    /** Module-local ID that answers `this` as FObject*; generated at random per module, so
        objects of another module never answer it. */
    static const TUID& objectIID();

private:
    std::atomic<int32> refCount{1}; ///< 1 after construction; -1000 while being deleted
};

/** Class-name methods for a class derived from FObject (in-module type checks). */
#define OBJ_METHODS(className, baseClass)                                                          \
    static ::Steinberg::FClassID getFClassID() {                                                   \
        return #className;                                                                         \
    }                                                                                              \
    ::Steinberg::FClassID isA() const override {                                                   \
        return #className;                                                                         \
    }                                                                                              \
    bool isTypeOf(::Steinberg::FClassID s, bool askBaseClass = true) const override {              \
        return ::Steinberg::classIDsEqual(s, #className) ||                                        \
               (askBaseClass && baseClass::isTypeOf(s, true));                                     \
    }

/** Routes addRef/release of every interface base to the FObject count of `Base`. */
#define REFCOUNT_METHODS(Base)                                                                     \
    ::Steinberg::uint32 PLUGIN_API addRef() override {                                             \
        return Base::addRef();                                                                     \
    }                                                                                              \
    ::Steinberg::uint32 PLUGIN_API release() override {                                            \
        return Base::release();                                                                    \
    }

/** Casts an FObject-derived pointer if its run-time class is (derived from) C; else null. */
template <class C> C* FCast(FObject* object) {
    if (object != nullptr && object->isTypeOf(C::getFClassID()))
        return static_cast<C*>(object);
    return nullptr;
}

} // namespace Steinberg
