#pragma once
// Ordered list of typed values that carries arguments and results across the
// host boundary. The order of the virtual operations is part of that boundary:
// never reorder, insert or remove one.
#include <cstddef>
#include <cstdint>

#include "BoundaryAbi.h"
#include "ObjectId.h"
#include "ValueType.h"

class IVarList {
public:
#if VOGAME_MSVC_LAYOUT
    VOGAME_DELETING_DESTRUCTOR_SLOT(IVarList)  // 0
#else
    virtual ~IVarList() = 0;  // 0
#endif

    virtual bool PushInt(int value) = 0;                                                      // 1
    virtual bool PushInt64(std::int64_t value) = 0;                                           // 2
    virtual bool PushFloat(float value) = 0;                                                  // 3
    virtual bool PushString(const char* value) = 0;                                           // 4
    virtual bool PushWideString(const char16_t* value) = 0;                                   // 5
    virtual bool PushObject(const ObjectId& value) = 0;                                       // 6
    virtual bool PushBytes(const void* data, std::size_t size) = 0;                           // 7
    virtual bool PushTaggedInt(int tag, int value) = 0;                                       // 8
    virtual bool PushTaggedFloat(int tag, float value) = 0;                                   // 9
    virtual bool PushTaggedString(int tag, const char* value) = 0;                            // 10
    virtual bool PushTaggedWideString(int tag, const char16_t* value) = 0;                    // 11
    virtual bool PushTaggedObject(int tag, const ObjectId& value) = 0;                        // 12
    virtual bool PushAll(const IVarList& other) = 0;                                          // 13
    virtual bool PushRange(const IVarList& other, std::size_t start, std::size_t count) = 0;  // 14

    virtual void Reset() = 0;              // 15
    virtual bool Empty() const = 0;        // 16
    virtual std::size_t Size() const = 0;  // 17

    virtual int RawTypeAt(std::size_t index) const = 0;                           // 18
    virtual int TypeAt(std::size_t index) const = 0;                              // 19
    virtual int TagAt(std::size_t index) const = 0;                               // 20
    virtual int IntAt(std::size_t index) const = 0;                               // 21
    virtual std::int64_t Int64At(std::size_t index) const = 0;                    // 22
    virtual float FloatAt(std::size_t index) const = 0;                           // 23
    virtual const char* StringAt(std::size_t index) const = 0;                    // 24
    virtual const char16_t* WideStringAt(std::size_t index) const = 0;            // 25
    VOGAME_CLASS_RESULT(ObjectId, ObjectAt, (std::size_t index), (index), const)  // 26
    virtual const void* BytesAt(std::size_t index, std::size_t& size) const = 0;  // 27

    virtual bool SetIntAt(std::size_t index, int value) = 0;                     // 28
    virtual bool SetFloatAt(std::size_t index, float value) = 0;                 // 29
    virtual bool SetStringAt(std::size_t index, const char* value) = 0;          // 30
    virtual bool SetWideStringAt(std::size_t index, const char16_t* value) = 0;  // 31
    virtual bool SetObjectAt(std::size_t index, const ObjectId& value) = 0;      // 32
};

#if !VOGAME_MSVC_LAYOUT
inline IVarList::~IVarList() = default;
#endif

// Streaming appends: list << 1 << "name" << u"wide" << id;
inline IVarList& operator<<(IVarList& list, int value) {
    list.PushInt(value);
    return list;
}
inline IVarList& operator<<(IVarList& list, float value) {
    list.PushFloat(value);
    return list;
}
inline IVarList& operator<<(IVarList& list, const char* value) {
    list.PushString(value);
    return list;
}
inline IVarList& operator<<(IVarList& list, const char16_t* value) {
    list.PushWideString(value);
    return list;
}
inline IVarList& operator<<(IVarList& list, const ObjectId& value) {
    list.PushObject(value);
    return list;
}
