#pragma once
// The host's 8-byte identifier of a game object. All zero is the null identifier;
// the library only copies identifiers and hands them back.
#include <cstdint>

struct ObjectId {
    std::uint32_t ident = 0;   // first field in memory order
    std::uint32_t serial = 0;  // second field in memory order

    constexpr bool IsNull() const noexcept { return ident == 0 && serial == 0; }
    friend constexpr bool operator==(const ObjectId&, const ObjectId&) noexcept = default;
};

static_assert(sizeof(ObjectId) == 8, "ObjectId crosses the host boundary as 8 bytes");
