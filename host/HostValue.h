#pragma once
// One typed value as the reference host stores it: a property, a data value or
// a record cell. The alternative index is not the type code; use TypeOfValue.
#include <cstdint>
#include <string>
#include <variant>

#include "Utility/IVarList.h"
#include "Utility/ObjectId.h"
#include "Utility/ValueType.h"

using HostValue = std::variant<std::monostate, int, float, std::string, std::u16string, ObjectId, std::int64_t>;

// The ValueType code of a value (VT_NONE for an empty value).
int TypeOfValue(const HostValue& value) noexcept;
// The default value of a type code: 0, 0.0f, empty text, null object; empty for
// VT_NONE and VT_BYTES. VT_BOOL is stored as an int.
HostValue DefaultValue(int type);
// The value at list[index] when its type is one the host stores; empty otherwise.
HostValue ValueFromList(const IVarList& list, std::size_t index);
// Appends the value to a list by its type; nothing for an empty value.
void PushValue(IVarList& list, const HostValue& value);
// True when a list element of listType can be stored in a cell of cellType
// (equal types; an int may fill a bool cell).
bool TypeFits(int cellType, int listType) noexcept;
