#pragma once
// The library's variant list: 8 inline entries and a 64-byte inline bump pool,
// so a typical host call builds its arguments without touching the heap.
#include "IVarList.h"

class CVarList final : public IVarList {
public:
    CVarList() noexcept;
    CVarList(const CVarList& other);
    CVarList(const IVarList& other);  // NOLINT: implicit by design, as the host expects
    CVarList& operator=(const IVarList& other);
    CVarList& operator=(const CVarList& other);
    ~CVarList() override;

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
    ObjectId ObjectAt(std::size_t index) const override;
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

    void EnsureRoom();                                // grows by doubling; count unchanged
    Entry* Append();                                  // grows by doubling
    void* Place(const void* data, std::size_t n, std::size_t align = 1);  // pool or heap, exactly n bytes
    void PushBlock(std::uint32_t typeWord, const void* data, std::size_t n, std::size_t align);
    bool ReplaceBlock(std::size_t index, int type, const void* data, std::size_t n, std::size_t align);
    void CopyRange(const IVarList& source, std::size_t start, std::size_t count);
    void ReleaseArray() noexcept;
    void FreeBlock(void* block) noexcept;
    void ReleaseValues() noexcept;
    const Entry* EntryOf(std::size_t index, int type) const noexcept;

    Entry inline_[kInlineEntries];
    unsigned char pool_[kPoolBytes];
    Entry* entries_;
    std::uint64_t capacity_;
    std::uint64_t count_;
    std::uint64_t poolUsed_;
};
