// FUnknown, interface IDs and the helpers every implementation uses to answer queryInterface.
#pragma once

#include "vst3sdk/pluginterfaces/base/ftypes.h"

#include <cstring>

namespace Steinberg {

/** 16-byte interface or class ID, in the platform's byte order (see INLINE_UID). */
using TUID = char[16];

/** Byte n (0 = most significant) of a 32-bit word, as a char for TUID initialisers. */
#define TORVIK_UID_BYTE(word, n)                                                                   \
    static_cast<char>((static_cast<unsigned long>(word) >> (24 - 8 * (n))) & 0xFF)

// An ID written as four 32-bit words. On Windows the first eight bytes are the memory image of a
// Microsoft GUID (Data1, Data2, Data3 little-endian); elsewhere every word is big-endian.
#if defined(_WIN32)
#define INLINE_UID(l1, l2, l3, l4)                                                                 \
    {                                                                                              \
        TORVIK_UID_BYTE(l1, 3), TORVIK_UID_BYTE(l1, 2), TORVIK_UID_BYTE(l1, 1),                    \
            TORVIK_UID_BYTE(l1, 0), TORVIK_UID_BYTE(l2, 1), TORVIK_UID_BYTE(l2, 0),                \
            TORVIK_UID_BYTE(l2, 3), TORVIK_UID_BYTE(l2, 2), TORVIK_UID_BYTE(l3, 0),                \
            TORVIK_UID_BYTE(l3, 1), TORVIK_UID_BYTE(l3, 2), TORVIK_UID_BYTE(l3, 3),                \
            TORVIK_UID_BYTE(l4, 0), TORVIK_UID_BYTE(l4, 1), TORVIK_UID_BYTE(l4, 2),                \
            TORVIK_UID_BYTE(l4, 3)                                                                 \
    }
#else
#define INLINE_UID(l1, l2, l3, l4)                                                                 \
    {                                                                                              \
        TORVIK_UID_BYTE(l1, 0), TORVIK_UID_BYTE(l1, 1), TORVIK_UID_BYTE(l1, 2),                    \
            TORVIK_UID_BYTE(l1, 3), TORVIK_UID_BYTE(l2, 0), TORVIK_UID_BYTE(l2, 1),                \
            TORVIK_UID_BYTE(l2, 2), TORVIK_UID_BYTE(l2, 3), TORVIK_UID_BYTE(l3, 0),                \
            TORVIK_UID_BYTE(l3, 1), TORVIK_UID_BYTE(l3, 2), TORVIK_UID_BYTE(l3, 3),                \
            TORVIK_UID_BYTE(l4, 0), TORVIK_UID_BYTE(l4, 1), TORVIK_UID_BYTE(l4, 2),                \
            TORVIK_UID_BYTE(l4, 3)                                                                 \
    }
#endif

/** Declares the static `iid` of an interface. The member takes no storage in the object. */
#define TORVIK_DECLARE_IID(l1, l2, l3, l4) static constexpr TUID iid = INLINE_UID(l1, l2, l3, l4)

/** Interfaces have no virtual destructor (it would add vtable slots); this keeps
    `delete` through an interface pointer impossible. */
#define TORVIK_INTERFACE_DESTRUCTOR(Name)                                                          \
protected:                                                                                         \
    ~Name() = default;                                                                             \
                                                                                                   \
public:

/** True when both 16-byte IDs are equal. Null never equals anything. */
inline bool iidEqual(const void* a, const void* b) {
    return a != nullptr && b != nullptr && std::memcmp(a, b, 16) == 0;
}

/** The root of every interface: COM-style reference counting and interface queries. */
class FUnknown {
public:
    /** Answers kResultOk and a new reference in *obj, or kNoInterface with *obj cleared. */
    virtual tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) = 0;
    /** Adds a reference; answers the new count. */
    virtual uint32 PLUGIN_API addRef() = 0;
    /** Drops a reference; answers the new count, 0 when the object is gone. */
    virtual uint32 PLUGIN_API release() = 0;

    TORVIK_DECLARE_IID(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
    TORVIK_INTERFACE_DESTRUCTOR(FUnknown)
};

/** Change notification between objects of one module (answered by every FObject). */
class IDependent : public FUnknown {
public:
    virtual void PLUGIN_API update(FUnknown* changedUnknown, int32 message) = 0;

    TORVIK_DECLARE_IID(0xF52B7AAE, 0xDE72416D, 0x8AF18ACE, 0x9DD7BD5E);
    TORVIK_INTERFACE_DESTRUCTOR(IDependent)
};

/** If `_iid` names interface I, hand out `self` as an I* with a new reference and return. Use
    inside queryInterface; `self` must derive from I. */
#define QUERY_INTERFACE(iidArg, objArg, InterfaceIID, Interface, self)                             \
    if (::Steinberg::iidEqual(iidArg, InterfaceIID)) {                                             \
        (self)->addRef();                                                                          \
        *(objArg) =                                                                                \
            static_cast<Interface*>(self); /* NOLINT(bugprone-macro-parentheses): a type */        \
        return ::Steinberg::kResultOk;                                                             \
    }

/** Queries `unknown` for interface I and holds the result (or null); releases it on scope exit. */
template <class I> class FUnknownPtr {
public:
    explicit FUnknownPtr(FUnknown* unknown) {
        if (unknown != nullptr) {
            void* obj = nullptr;
            if (unknown->queryInterface(I::iid, &obj) == kResultOk)
                ptr = static_cast<I*>(obj);
        }
    }
    ~FUnknownPtr() {
        if (ptr != nullptr)
            ptr->release();
    }
    FUnknownPtr(const FUnknownPtr&) = delete;
    FUnknownPtr& operator=(const FUnknownPtr&) = delete;

    I* get() const { return ptr; }
    I* operator->() const { return ptr; }
    explicit operator bool() const { return ptr != nullptr; }

private:
    I* ptr = nullptr; ///< counted interface pointer or null
};

/** Owns one counted reference to an interface (IPtr of the usual COM pattern). */
template <class I> class IPtr {
public:
    IPtr() = default;
    /** Takes a new reference to `p` (addRef) unless `adopt` is true. */
    IPtr(I* p, bool adopt = false) : ptr(p) {
        if (ptr != nullptr && !adopt)
            ptr->addRef();
    }
    IPtr(const IPtr& other) : IPtr(other.ptr) {}
    IPtr(IPtr&& other) noexcept : ptr(other.ptr) { other.ptr = nullptr; }
    ~IPtr() { reset(); }
    IPtr& operator=(const IPtr& other) {
        if (this != &other) {
            IPtr copy(other);
            swap(copy);
        }
        return *this;
    }
    IPtr& operator=(IPtr&& other) noexcept {
        if (this != &other) {
            reset();
            ptr = other.ptr;
            other.ptr = nullptr;
        }
        return *this;
    }
    void reset() {
        if (ptr != nullptr) {
            I* old = ptr;
            ptr = nullptr;
            old->release();
        }
    }
    void swap(IPtr& other) noexcept {
        I* t = ptr;
        ptr = other.ptr;
        other.ptr = t;
    }
    /** Gives up ownership without releasing. */
    I* take() {
        I* p = ptr;
        ptr = nullptr;
        return p;
    }
    I* get() const { return ptr; }
    I* operator->() const { return ptr; }
    I& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }

private:
    I* ptr = nullptr; ///< counted interface pointer or null
};

/** Wraps a pointer that already carries a reference for us (e.g. from createView). */
template <class I> IPtr<I> owned(I* p) {
    return IPtr<I>(p, true);
}

} // namespace Steinberg
