#pragma once
// Holder for one wide-string name that a callee fills in. Slot order is part of
// the host boundary.
class IResultName {
public:
    virtual ~IResultName() = 0;
    virtual void SetName(const char16_t* name) = 0;
    virtual const char16_t* GetName() const = 0;
};

inline IResultName::~IResultName() = default;
