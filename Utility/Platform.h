#pragma once
// The operating-system services the support library, the reference host and
// the tests use, in one place, with a POSIX side and a Windows side.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace Platform {

struct LocalTime {
    int year = 0, month = 0, day = 0;      // 4-digit year, 1-12, 1-31
    int hour = 0, minute = 0, second = 0;  // 0-23, 0-59, 0-60
    int millis = 0;                        // 0-999
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
// The code page that 0 stands for: 65001 (UTF-8) on POSIX, the process's ANSI
// code page on Windows.
unsigned DefaultCodePage() noexcept;
bool NarrowToWide(unsigned codePage, const char* text, std::size_t bytes, std::u16string& out);
bool WideToNarrow(unsigned codePage, const char16_t* text, std::size_t units, std::string& out);

// 32 upper-case hexadecimal digits of a new GUID, or empty.
std::string NewGuid32();

// The last word before an abnormal end: on the error stream, and on Windows
// also in a message box when the process has a desktop to show it on.
void ShowErrorMessage(const char* title, const char* text);
// Tests turn the box off, so that a fatal path run on a Windows desktop does
// not wait for a click. No effect elsewhere.
void SetErrorBoxes(bool shown) noexcept;

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
// Sets name to value for this process and the processes it starts; false on failure.
bool SetEnvironmentValue(const char* name, const char* value);
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

namespace Platform {
// Shared libraries loaded at run time (the reference host's plug-in loader).
// Each load of a distinct file has its own static state.
using LibraryHandle = void*;
// Null with the system's reason in error when the file cannot be loaded.
LibraryHandle LoadLibraryFile(const std::string& path, std::string& error);
void* FindExport(LibraryHandle library, const char* name);
bool UnloadLibrary(LibraryHandle library) noexcept;
// Whether the file is still mapped into this process.
bool IsLibraryLoaded(const std::string& path);
// The file of the loaded library (or program) that holds this address; empty
// when the system cannot tell.
std::string LibraryPathOf(const void* address);
}  // namespace Platform

namespace Platform {
// A new empty folder under the system's temporary folder, named from the prefix
// and made unique; empty on failure. The result has no trailing separator.
std::string MakeTempFolder(const char* prefix);
unsigned long ProcessId() noexcept;
// Whether the stream writes to a terminal (a console on Windows).
bool IsTerminal(std::FILE* stream) noexcept;
// Writes the stream's bytes as they are: no "\r" added before line feeds on
// Windows, so reports are the same bytes on every system.
void UseBinaryOutput(std::FILE* stream) noexcept;
// Sets the process's time zone for the standard library's local-time functions
// (mktime, localtime), as the TZ variable names it, for example "UTC".
void UseTimeZone(const char* zone);
}  // namespace Platform
