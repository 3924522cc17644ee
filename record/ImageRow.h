#pragma once
// One row of a RecordImage seen as a read-only variant list: the row's cells by
// column type, as PushRow would append them, without copying a value. A row is
// handed to the kernel this way (AddRow, SetRow) without an allocation in the
// library. Every push and every set is refused (false); Reset changes nothing.
#include "../module/IVarList.h"

class RecordImage;

class ImageRow final : public IVarList {
public:
    ImageRow(const RecordImage& image, int row) noexcept;
    VOGAME_DELETING_DESTRUCTOR(ImageRow)

    bool PushInt(int) override { return false; }
    bool PushInt64(std::int64_t) override { return false; }
    bool PushFloat(float) override { return false; }
    bool PushString(const char*) override { return false; }
    bool PushWideString(const char16_t*) override { return false; }
    bool PushObject(const ObjectId&) override { return false; }
    bool PushBytes(const void*, std::size_t) override { return false; }
    bool PushTaggedInt(int, int) override { return false; }
    bool PushTaggedFloat(int, float) override { return false; }
    bool PushTaggedString(int, const char*) override { return false; }
    bool PushTaggedWideString(int, const char16_t*) override { return false; }
    bool PushTaggedObject(int, const ObjectId&) override { return false; }
    bool PushAll(const IVarList&) override { return false; }
    bool PushRange(const IVarList&, std::size_t, std::size_t) override { return false; }

    void Reset() override {}
    bool Empty() const override { return Size() == 0; }
    std::size_t Size() const override;

    int RawTypeAt(std::size_t index) const override { return TypeAt(index); }
    int TypeAt(std::size_t index) const override;
    int TagAt(std::size_t) const override { return 0; }
    int IntAt(std::size_t index) const override;
    std::int64_t Int64At(std::size_t) const override { return 0; }
    float FloatAt(std::size_t index) const override;
    const char* StringAt(std::size_t index) const override;
    const char16_t* WideStringAt(std::size_t index) const override;
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, ObjectAt, (std::size_t index), (index), const)
    const void* BytesAt(std::size_t, std::size_t& size) const override {
        size = 0;
        return nullptr;
    }

    bool SetIntAt(std::size_t, int) override { return false; }
    bool SetFloatAt(std::size_t, float) override { return false; }
    bool SetStringAt(std::size_t, const char*) override { return false; }
    bool SetWideStringAt(std::size_t, const char16_t*) override { return false; }
    bool SetObjectAt(std::size_t, const ObjectId&) override { return false; }

private:
    // The image column of list entry `index`: columns of a type a row cannot
    // carry (PushRow skips them) are left out; -1 past the end.
    int ColumnOf(std::size_t index) const noexcept;

    const RecordImage& image_;
    int row_;
};
