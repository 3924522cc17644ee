#pragma once
// The operating-system services the support library uses, in one place. The
// POSIX side is implemented; the Windows side where it is cheap.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace Platform {

struct LocalTime {
    int year = 0, month = 0, day = 0;        // 4-digit year, 1-12, 1-31
    int hour = 0, minute = 0, second = 0;    // 0-23, 0-59, 0-60
    int millis = 0;                          // 0-999
};

// The machine's local time. Tests set a source so that days and midnights pass
// without waiting; a null source restores the machine's clock.
using LocalTimeSource = LocalTime (*)();
LocalTime NowLocal();
void SetLocalTimeSource(LocalTimeSource source);

// The local calendar fields of a count of seconds since 1970 (millis 0). The
// count is 64-bit on every system, so 2038 and 2106 convert like any other
// year. False when the system cannot convert it.
bool LocalTimeAt(std::int64_t seconds, LocalTime& out);

// Monotonic milliseconds, wrapping at 2^32.
std::uint32_t TickCountMs();

// Paths the library builds with "\" separators open on every system.
std::string NativePath(const char* path);
std::FILE* OpenFile(const char* path, const char* mode);
bool MakeDirectory(const char* path);

// Code-page conversions. 0 is the system default (UTF-8 on POSIX). False when the
// text is not valid in that code page or the code page is unknown.
bool NarrowToWide(unsigned codePage, const char* text, std::size_t bytes, std::u16string& out);
bool WideToNarrow(unsigned codePage, const char16_t* text, std::size_t units, std::string& out);

// 32 upper-case hexadecimal digits of a new GUID, or empty.
std::string NewGuid32();

// The last word before an abnormal end: a message box on Windows, stderr elsewhere.
void ShowErrorMessage(const char* title, const char* text);

}  // namespace Platform

namespace Platform {
// Short pause inside a spin wait (the CPU's pause hint where there is one).
void CpuRelax() noexcept;
// Gives the rest of the time slice to another thread.
void YieldThread() noexcept;
}  // namespace Platform

namespace Platform {
// Waiting on something another process holds: a clock that only moves forward
// (no change of the wall clock or of the host's game clock moves it), and a
// sleep that gives the processor away meanwhile.
std::int64_t MonotonicNanoseconds() noexcept;
// At least this long, give or take the system's timer resolution.
void SleepMicroseconds(std::uint32_t microseconds) noexcept;
}  // namespace Platform

namespace Platform {
// The process environment's value of name; false when it is not set.
bool EnvironmentValue(const char* name, std::string& value);
}  // namespace Platform

namespace Platform {
// Log files written by one writer at a time. A writer's open fails while another
// writer (thread or process) holds the same file; readers are never shut out.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;
// Opens for writing, creating the file when missing; truncate empties it. kNoFile
// when it cannot be opened or another writer holds it.
FileHandle OpenLogWriter(const char* path, bool truncate);
// Appends all bytes at the end of the file; false on any failure.
bool AppendLogBytes(FileHandle file, const void* data, std::size_t size);
void CloseLogWriter(FileHandle file) noexcept;
// Size in bytes of an existing file, -1 when it cannot be opened.
long long FileSizeOf(const char* path);
}  // namespace Platform
