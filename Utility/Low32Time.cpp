#include "Low32Time.h"

std::int32_t Low32Time(std::int64_t seconds) noexcept {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds));
}

std::int64_t NearestWithLow32(std::int32_t low, std::int64_t reference) noexcept {
    // The difference of the low bits taken as a signed 32-bit step from the
    // reference; unsigned sums keep a reference near the 64-bit limits defined.
    const std::uint32_t step = static_cast<std::uint32_t>(low) - static_cast<std::uint32_t>(reference);
    const auto signedStep = static_cast<std::int64_t>(static_cast<std::int32_t>(step));
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(reference) + static_cast<std::uint64_t>(signedStep));
}
