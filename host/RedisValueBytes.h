#pragma once
// The bytes a value is kept as in the Redis store, exact to the bit: ints and
// ids little-endian, floats by their bit pattern, narrow text as it is, wide
// text as its UTF-16 units (little-endian, unpaired surrogates included).
#include <string>
#include <string_view>

#include "HostValue.h"

std::string ValueBytes(const HostValue& value);
// The value of a cell of column type `type` from its bytes; the type's default
// when the bytes are too short for it.
HostValue ValueFromBytes(int type, std::string_view bytes);
std::string WideBytes(std::u16string_view text);
std::u16string WideFromBytes(std::string_view bytes);
// A list element as (its type code, its bytes); VT_NONE and no bytes for a type the store keeps no value of.
int ListElementBytes(const IVarList& list, std::size_t index, std::string& bytes);
