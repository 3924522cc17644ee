#pragma once
// A variant list of the other side, seen through an object compiled here: every
// operation is forwarded, and a list given to PushAll or PushRange is forwarded
// the same way before it crosses. Built on the stack for one call.
#include "../module/IVarList.h"

class ForwardedList final : public IVarList {
public:
    explicit ForwardedList(const IVarList& list) : list_(const_cast<IVarList*>(&list)) {}

    bool PushInt(int value) override { return list_->PushInt(value); }
    bool PushInt64(std::int64_t value) override { return list_->PushInt64(value); }
    bool PushFloat(float value) override { return list_->PushFloat(value); }
    bool PushString(const char* value) override { return list_->PushString(value); }
    bool PushWideString(const char16_t* value) override { return list_->PushWideString(value); }
    bool PushObject(const ObjectId& value) override { return list_->PushObject(value); }
    bool PushBytes(const void* data, std::size_t size) override { return list_->PushBytes(data, size); }
    bool PushTaggedInt(int tag, int value) override { return list_->PushTaggedInt(tag, value); }
    bool PushTaggedFloat(int tag, float value) override { return list_->PushTaggedFloat(tag, value); }
    bool PushTaggedString(int tag, const char* value) override { return list_->PushTaggedString(tag, value); }
    bool PushTaggedWideString(int tag, const char16_t* value) override {
        return list_->PushTaggedWideString(tag, value);
    }
    bool PushTaggedObject(int tag, const ObjectId& value) override { return list_->PushTaggedObject(tag, value); }
    bool PushAll(const IVarList& other) override {
        const ForwardedList source(other);
        return list_->PushAll(source);
    }
    bool PushRange(const IVarList& other, std::size_t start, std::size_t count) override {
        const ForwardedList source(other);
        return list_->PushRange(source, start, count);
    }

    void Reset() override { list_->Reset(); }
    bool Empty() const override { return list_->Empty(); }
    std::size_t Size() const override { return list_->Size(); }

    int RawTypeAt(std::size_t index) const override { return list_->RawTypeAt(index); }
    int TypeAt(std::size_t index) const override { return list_->TypeAt(index); }
    int TagAt(std::size_t index) const override { return list_->TagAt(index); }
    int IntAt(std::size_t index) const override { return list_->IntAt(index); }
    std::int64_t Int64At(std::size_t index) const override { return list_->Int64At(index); }
    float FloatAt(std::size_t index) const override { return list_->FloatAt(index); }
    const char* StringAt(std::size_t index) const override { return list_->StringAt(index); }
    const char16_t* WideStringAt(std::size_t index) const override { return list_->WideStringAt(index); }
    ObjectId ObjectAt(std::size_t index) const override { return list_->ObjectAt(index); }
    const void* BytesAt(std::size_t index, std::size_t& size) const override { return list_->BytesAt(index, size); }

    bool SetIntAt(std::size_t index, int value) override { return list_->SetIntAt(index, value); }
    bool SetFloatAt(std::size_t index, float value) override { return list_->SetFloatAt(index, value); }
    bool SetStringAt(std::size_t index, const char* value) override { return list_->SetStringAt(index, value); }
    bool SetWideStringAt(std::size_t index, const char16_t* value) override {
        return list_->SetWideStringAt(index, value);
    }
    bool SetObjectAt(std::size_t index, const ObjectId& value) override { return list_->SetObjectAt(index, value); }

private:
    IVarList* list_;
};
