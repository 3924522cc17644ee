#pragma once
// The boundary interfaces as a host built with Microsoft's compiler (MSVC) lays
// them out and calls them, also when MinGW-w64 builds them (the DLL we ship and
// the reference host on Windows). MinGW follows the Itanium C++ ABI, which
// differs from MSVC's in two ways that touch these interfaces:
//   - a virtual destructor takes two slots (complete and deleting destructor);
//     MSVC gives it one, its scalar deleting destructor;
//   - a member function that returns a class by value returns it in a register;
//     MSVC passes a hidden result pointer right after `this` and returns it.
// So under MinGW, and only there, an interface declares the one slot MSVC
// gives its destructor, and each class-returning operation in the form MSVC
// calls it behind an inline wrapper of the operation's own name and signature.
// Slot order, data layout and the exports stay as they are; under MSVC and on
// every other system the macros below give exactly the plain declarations.
// This header includes nothing, so it goes wherever the boundary headers go.

#if defined(_WIN32) && !defined(_MSC_VER)
#define VOGAME_MSVC_LAYOUT 1
#else
#define VOGAME_MSVC_LAYOUT 0
#endif

#if VOGAME_MSVC_LAYOUT

// In an interface, in place of its virtual destructor: MSVC's scalar deleting
// destructor (destroy; free when bit 0 of flags is set; return this). The
// destructor itself is protected, so nothing deletes through the interface.
#define VOGAME_DELETING_DESTRUCTOR_SLOT(Interface)            \
    virtual void* DeletingDestructor(unsigned int flags) = 0; \
                                                              \
protected:                                                    \
    ~Interface() = default;                                   \
                                                              \
public:

// In a class that implements an interface: that slot, as MSVC implements it.
#define VOGAME_DELETING_DESTRUCTOR(Class)                                   \
    void* DeletingDestructor(unsigned int flags) override {                 \
        this->~Class();                                                     \
        if ((flags & 1u) != 0) ::operator delete(static_cast<void*>(this)); \
        return this;                                                        \
    }

// `, parameters` after the result pointer, or nothing when there are none.
#define VOGAME_AFTER_RESULT(...) __VA_OPT__(, ) __VA_ARGS__

// In an interface: an operation that returns Type by value. Params is its
// parenthesised parameter list, Args the same names as a call, Qual `const` or
// nothing. The slot is NameInto(Type* result, params...) returning result.
#define VOGAME_CLASS_RESULT(Type, Name, Params, Args, Qual)                     \
    virtual Type* Name##Into(Type* result VOGAME_AFTER_RESULT Params) Qual = 0; \
    Type Name Params Qual {                                                     \
        Type result;                                                            \
        Name##Into(&result VOGAME_AFTER_RESULT Args);                           \
        return result;                                                          \
    }

// In a class that implements it: declares Name as usual (defined by the class)
// and fills the slot from it.
#define VOGAME_CLASS_RESULT_OVERRIDE(Type, Name, Params, Args, Qual)          \
    Type Name Params Qual;                                                    \
    Type* Name##Into(Type* result VOGAME_AFTER_RESULT Params) Qual override { \
        *result = Name Args;                                                  \
        return result;                                                        \
    }

#else

#define VOGAME_DELETING_DESTRUCTOR(Class)
#define VOGAME_CLASS_RESULT(Type, Name, Params, Args, Qual) virtual Type Name Params Qual = 0;
#define VOGAME_CLASS_RESULT_OVERRIDE(Type, Name, Params, Args, Qual) Type Name Params Qual override;

#endif
