#pragma once
// Calendar times kept in 32 bits, as an Int cell holds them: the low 32 bits of
// the count of seconds. The value turns negative after 2038-01-19 03:14:07 UTC
// and wraps to 0 at 2106-02-07 06:28:16 UTC; read back as the moment nearest to
// a reference time with those low bits, it is exact for any time within 68 years
// of that reference.
#include <cstdint>

std::int32_t Low32Time(std::int64_t seconds) noexcept;
// Of the moments whose low 32 bits are low, the one nearest to reference (the
// earlier one when two are equally near).
std::int64_t NearestWithLow32(std::int32_t low, std::int64_t reference) noexcept;
