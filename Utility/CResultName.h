#pragma once
// Name holder: up to 127 units inline, longer names in a heap block that only grows.
#include <cstddef>

#include "../module/IResultName.h"

class CResultName final : public IResultName {
public:
    CResultName() noexcept;
    ~CResultName();
    VOGAME_DELETING_DESTRUCTOR(CResultName)
    CResultName(const CResultName&) = delete;
    CResultName& operator=(const CResultName&) = delete;

    void SetName(const char16_t* name) override;
    const char16_t* GetName() const override { return name_; }

    std::size_t Capacity() const noexcept { return capacity_; }  // in units, terminator included

private:
    static constexpr std::size_t kInlineUnits = 128;
    char16_t inline_[kInlineUnits];
    char16_t* name_;
    std::size_t capacity_;
};
