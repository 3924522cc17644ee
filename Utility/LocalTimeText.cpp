#include "LocalTimeText.h"

#include "BoundedText.h"
#include "Platform.h"

namespace {
// Seven ints and their separators fit whatever the clock source reports.
constexpr std::size_t kStampBytes = 96;
}  // namespace

std::string LocalStampMillisText() {
    const Platform::LocalTime t = Platform::NowLocal();
    char text[kStampBytes];
    const int n = BoundedPrint(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
                               t.minute, t.second, t.millis);
    return std::string(text, static_cast<std::size_t>(n));
}

std::string LocalStampText() {
    const Platform::LocalTime t = Platform::NowLocal();
    char text[kStampBytes];
    const int n = BoundedPrint(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                               t.minute, t.second);
    return std::string(text, static_cast<std::size_t>(n));
}

std::string LocalClockText() {
    const Platform::LocalTime t = Platform::NowLocal();
    char text[kStampBytes];
    const int n = BoundedPrint(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return std::string(text, static_cast<std::size_t>(n));
}

std::string LocalDateText() {
    const Platform::LocalTime t = Platform::NowLocal();
    char text[kStampBytes];
    const int n = BoundedPrint(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
    return std::string(text, static_cast<std::size_t>(n));
}

unsigned ElapsedTicks(unsigned startTick) { return static_cast<unsigned>(Platform::TickCountMs() - startTick); }
