#pragma once
// One typed value as the reference host stores it: a property, a data value or
// a record cell. The alternative index is not the type code; use TypeOfValue.
#include <cstdint>
#include <string>
#include <variant>

#include "module/IVarList.h"
#include "module/ObjectId.h"
#include "module/ValueType.h"

// Visitor of a HostValue made of one lambda per alternative.
template <class... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};
template <class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

using HostValue = std::variant<std::monostate, int, float, std::string, std::u16string, ObjectId, std::int64_t>;

// The ValueType code of a value (VT_NONE for an empty value).
int TypeOfValue(const HostValue& value) noexcept;
// True for the type codes a slot or a column may have: every code but VT_NONE and VT_BYTES.
bool IsStorableType(int type) noexcept;
// The default value of a type code: 0, 0.0f, empty text, null object; empty for
// VT_NONE and VT_BYTES. VT_BOOL is stored as an int.
HostValue DefaultValue(int type);
// The value as a slot of slotType keeps it: an int widens in an Int64 slot.
HostValue StoredAs(int slotType, HostValue value);
// An int written over a cell keeps the cell's width (Int64 stays Int64).
void AssignInt(HostValue& cell, int value);
// The value at list[index] when its type is one the host stores; empty otherwise.
HostValue ValueFromList(const IVarList& list, std::size_t index);
// Appends the value to a list by its type; nothing for an empty value.
void PushValue(IVarList& list, const HostValue& value);
// True when a list element of listType can be stored in a cell of cellType
// (equal types; an int may fill a bool cell).
bool TypeFits(int cellType, int listType) noexcept;

// Readers that give the neutral value for a missing value or another type; an
// Int64 reads as an int cut to 32 bits. Texts point into the value.
int IntOf(const HostValue* value) noexcept;
float FloatOf(const HostValue* value) noexcept;
const std::string* StringOf(const HostValue* value) noexcept;   // null when no narrow text
const std::u16string* WideOf(const HostValue* value) noexcept;  // null when no wide text
ObjectId ObjectOf(const HostValue* value) noexcept;
