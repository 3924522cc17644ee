#pragma once
// One 64-bit hash key per ObjectId, for the host's maps of objects.
#include <cstdint>

#include "module/ObjectId.h"

inline std::uint64_t KeyOf(const ObjectId& id) noexcept {
    return (static_cast<std::uint64_t>(id.ident) << 32) | id.serial;
}
