#pragma once
// The library's variant list: 8 inline entries and a 64-byte inline bump pool,
// so a typical host call builds its arguments without touching the heap.
#include <cstring>
#include <new>
#include <string>

#include "../module/IVarList.h"

class CVarList final : public IVarList {
public:
    CVarList() noexcept;
    CVarList(const CVarList& other);
    CVarList(const IVarList& other);  // NOLINT: implicit by design, as the host expects
    CVarList& operator=(const IVarList& other);
    CVarList& operator=(const CVarList& other);
    ~CVarList();
    VOGAME_DELETING_DESTRUCTOR(CVarList)

    bool PushInt(int value) override;
    bool PushInt64(std::int64_t value) override;
    bool PushFloat(float value) override;
    bool PushString(const char* value) override;
    bool PushWideString(const char16_t* value) override;
    bool PushObject(const ObjectId& value) override;
    bool PushBytes(const void* data, std::size_t size) override;
    bool PushTaggedInt(int tag, int value) override;
    bool PushTaggedFloat(int tag, float value) override;
    bool PushTaggedString(int tag, const char* value) override;
    bool PushTaggedWideString(int tag, const char16_t* value) override;
    bool PushTaggedObject(int tag, const ObjectId& value) override;
    bool PushAll(const IVarList& other) override;
    bool PushRange(const IVarList& other, std::size_t start, std::size_t count) override;

    void Reset() override;
    bool Empty() const override;
    std::size_t Size() const override;

    int RawTypeAt(std::size_t index) const override;
    int TypeAt(std::size_t index) const override;
    int TagAt(std::size_t index) const override;
    int IntAt(std::size_t index) const override;
    std::int64_t Int64At(std::size_t index) const override;
    float FloatAt(std::size_t index) const override;
    const char* StringAt(std::size_t index) const override;
    const char16_t* WideStringAt(std::size_t index) const override;
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, ObjectAt, (std::size_t index), (index), const)
    const void* BytesAt(std::size_t index, std::size_t& size) const override;

    bool SetIntAt(std::size_t index, int value) override;
    bool SetFloatAt(std::size_t index, float value) override;
    bool SetStringAt(std::size_t index, const char* value) override;
    bool SetWideStringAt(std::size_t index, const char16_t* value) override;
    bool SetObjectAt(std::size_t index, const ObjectId& value) override;

    // Introspection of the storage rules (tests and benchmarks).
    std::size_t Capacity() const noexcept { return capacity_; }
    std::size_t PoolBytesUsed() const noexcept { return poolUsed_; }
    bool InPool(const void* block) const noexcept;

    static constexpr std::size_t kInlineEntries = 8;
    static constexpr std::size_t kPoolBytes = 64;

private:
    struct Entry {
        std::uint32_t type;  // bits 0-3 value type, bits 4-7 tag
        union {
            std::int32_t i;
            float f;
            std::int64_t i64;
            void* block;
        } v;
    };

    void EnsureRoom() {  // grows by doubling; count unchanged
        if (count_ >= capacity_) Grow();
    }
    void Grow();
    Entry* Append();                                                      // grows by doubling
    void* Place(const void* data, std::size_t n, std::size_t align = 1);  // pool or heap, exactly n bytes
    void* PlaceOnHeap(const void* data, std::size_t n);
    void PushBlock(std::uint32_t typeWord, const void* data, std::size_t n, std::size_t align);
    bool ReplaceBlock(std::size_t index, int type, const void* data, std::size_t n, std::size_t align);
    void CopyRange(const IVarList& source, std::size_t start, std::size_t count);
    void FreeBlock(void* block) noexcept;
    void ReleaseValues() noexcept;
    void ReleaseArray() noexcept;
    const Entry* EntryOf(std::size_t index, int type) const noexcept;
    static std::uint32_t TypeWord(int tag, int type) noexcept {
        return ((static_cast<std::uint32_t>(tag) & 0x0Fu) << 4) | static_cast<std::uint32_t>(type);
    }

    Entry inline_[kInlineEntries];
    unsigned char pool_[kPoolBytes];
    Entry* entries_;
    std::uint64_t capacity_;
    std::uint64_t count_;
    std::uint64_t poolUsed_;
};

// ---- Hot paths, inline so that a list built on the stack costs no calls. ----
// Everything that grows, copies or replaces lives in CVarList.cpp.

inline CVarList::CVarList() noexcept : entries_(inline_), capacity_(kInlineEntries), count_(0), poolUsed_(0) {}

inline CVarList::~CVarList() {
    ReleaseValues();
    ReleaseArray();
}

inline bool CVarList::InPool(const void* block) const noexcept {
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const auto first = reinterpret_cast<std::uintptr_t>(pool_);
    return address >= first && address < first + kPoolBytes;
}

inline void CVarList::FreeBlock(void* block) noexcept {
    if (block != nullptr && !InPool(block)) ::operator delete(block);
}

inline void CVarList::ReleaseValues() noexcept {
    for (std::uint64_t i = 0; i < count_; ++i) {
        const std::uint32_t type = entries_[i].type & 0x0Fu;
        if (type == VT_STRING || type == VT_WIDESTR || type == VT_OBJECT || type == VT_BYTES) {
            FreeBlock(entries_[i].v.block);
        }
    }
}

inline void CVarList::ReleaseArray() noexcept {
    if (entries_ != inline_) delete[] entries_;
    entries_ = inline_;
}

inline CVarList::Entry* CVarList::Append() {
    EnsureRoom();
    return &entries_[count_++];
}

// Pool while it has room, else exactly n bytes of heap. Wide strings ask for
// 2-byte alignment, as callers read them through char16_t pointers; everything
// else is packed byte-tight.
inline void* CVarList::Place(const void* data, std::size_t n, std::size_t align) {
    const std::size_t offset = (poolUsed_ + align - 1) / align * align;
    if (offset > kPoolBytes || n > kPoolBytes - offset) return PlaceOnHeap(data, n);
    void* block = pool_ + offset;
    poolUsed_ = offset + n;
    if (data != nullptr) std::memcpy(block, data, n);
    return block;
}

// Room for the entry first, then the value's storage, then the entry itself:
// a bad_alloc from either allocation leaves no entry behind.
inline void CVarList::PushBlock(std::uint32_t typeWord, const void* data, std::size_t n, std::size_t align) {
    EnsureRoom();
    void* block = Place(data, n, align);
    Entry* entry = &entries_[count_++];
    entry->type = typeWord;
    entry->v.block = block;
}

inline const CVarList::Entry* CVarList::EntryOf(std::size_t index, int type) const noexcept {
    if (index >= count_) return nullptr;
    const Entry* entry = &entries_[index];
    return (entry->type & 0x0Fu) == static_cast<std::uint32_t>(type) ? entry : nullptr;
}

inline bool CVarList::PushTaggedInt(int tag, int value) {
    Entry* entry = Append();
    entry->type = TypeWord(tag, VT_INT);
    entry->v.i64 = 0;
    entry->v.i = value;
    return true;
}

inline bool CVarList::PushTaggedFloat(int tag, float value) {
    Entry* entry = Append();
    entry->type = TypeWord(tag, VT_FLOAT);
    entry->v.i64 = 0;
    entry->v.f = value;
    return true;
}

inline bool CVarList::PushInt64(std::int64_t value) {
    Entry* entry = Append();
    entry->type = VT_INT64;
    entry->v.i64 = value;
    return true;
}

// A null string from a careless caller is stored as an empty one.
inline bool CVarList::PushTaggedString(int tag, const char* value) {
    if (value == nullptr) value = "";
    PushBlock(TypeWord(tag, VT_STRING), value, std::strlen(value) + 1, 1);
    return true;
}

inline bool CVarList::PushTaggedWideString(int tag, const char16_t* value) {
    if (value == nullptr) value = u"";
    const std::size_t n = (std::char_traits<char16_t>::length(value) + 1) * sizeof(char16_t);
    PushBlock(TypeWord(tag, VT_WIDESTR), value, n, alignof(char16_t));
    return true;
}

inline bool CVarList::PushTaggedObject(int tag, const ObjectId& value) {
    PushBlock(TypeWord(tag, VT_OBJECT), &value, sizeof(ObjectId), 1);
    return true;
}

inline bool CVarList::PushInt(int value) { return PushTaggedInt(0, value); }
inline bool CVarList::PushFloat(float value) { return PushTaggedFloat(0, value); }
inline bool CVarList::PushString(const char* value) { return PushTaggedString(0, value); }
inline bool CVarList::PushWideString(const char16_t* value) { return PushTaggedWideString(0, value); }
inline bool CVarList::PushObject(const ObjectId& value) { return PushTaggedObject(0, value); }

inline bool CVarList::Empty() const { return count_ == 0; }
inline std::size_t CVarList::Size() const { return count_; }

inline int CVarList::TypeAt(std::size_t index) const {
    return index < count_ ? static_cast<int>(entries_[index].type & 0x0Fu) : 0;
}

inline int CVarList::IntAt(std::size_t index) const {
    const Entry* entry = EntryOf(index, VT_INT);
    return entry != nullptr ? entry->v.i : 0;
}

inline std::int64_t CVarList::Int64At(std::size_t index) const {
    const Entry* entry = EntryOf(index, VT_INT64);
    return entry != nullptr ? entry->v.i64 : 0;
}

inline float CVarList::FloatAt(std::size_t index) const {
    const Entry* entry = EntryOf(index, VT_FLOAT);
    return entry != nullptr ? entry->v.f : 0.0f;
}

// Neutral results are empty strings, never null pointers.
inline const char* CVarList::StringAt(std::size_t index) const {
    const Entry* entry = EntryOf(index, VT_STRING);
    return entry != nullptr ? static_cast<const char*>(entry->v.block) : "";
}

inline const char16_t* CVarList::WideStringAt(std::size_t index) const {
    const Entry* entry = EntryOf(index, VT_WIDESTR);
    return entry != nullptr ? static_cast<const char16_t*>(entry->v.block) : u"";
}

// Pool blocks are not aligned for ObjectId: copy bytes rather than dereference.
inline ObjectId CVarList::ObjectAt(std::size_t index) const {
    ObjectId id;
    const Entry* entry = EntryOf(index, VT_OBJECT);
    if (entry != nullptr) std::memcpy(&id, entry->v.block, sizeof id);
    return id;
}
