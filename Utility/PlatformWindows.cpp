// The platform layer on Windows: the system's code-page conversions,
// GetTickCount, GetLocalTime, files and folders, and the fatal message box.
// wchar_t is 16 bits there, the same units as char16_t.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <intrin.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "Platform.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide text is 16-bit on Windows");

namespace Platform {

namespace {
std::atomic<LocalTimeSource> g_localTimeSource{nullptr};

// The code page that 0 (the ANSI code page) and 1 (the OEM one) stand for, so
// that the rules below see the real one: an ANSI code page of UTF-8 takes the
// rules of UTF-8.
unsigned Resolved(unsigned codePage) noexcept {
    if (codePage == CP_ACP) {
        return GetACP();
    }
    return codePage == CP_OEMCP ? GetOEMCP() : codePage;
}

// Stateful and some other code pages take no flags at all.
bool TakesNoFlags(unsigned codePage) noexcept {
    return codePage == 42 || codePage == CP_UTF7 || (codePage >= 50220 && codePage <= 50229) || codePage == 52936 ||
           (codePage >= 57002 && codePage <= 57011);
}

// The same strictness as the POSIX side: invalid input fails, it is not
// replaced by a default character.
DWORD StrictToWideFlags(unsigned codePage) noexcept { return TakesNoFlags(codePage) ? 0 : MB_ERR_INVALID_CHARS; }
DWORD StrictToNarrowFlags(unsigned codePage) noexcept {
    return codePage == CP_UTF8 || codePage == 54936 ? WC_ERR_INVALID_CHARS : 0;
}
// Whether the conversion can say that it used a default character; these code
// pages refuse the question (and report what they cannot convert by failing).
bool ReportsDefaultChar(unsigned codePage) noexcept {
    return !TakesNoFlags(codePage) && codePage != CP_UTF8 && codePage != 54936;
}
}  // namespace

LocalTime NowLocal() {
    if (const LocalTimeSource source = g_localTimeSource.load(std::memory_order_acquire)) {
        return source();
    }
    SYSTEMTIME st{};
    GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.millis = st.wMilliseconds;
    return t;
}

void SetLocalTimeSource(LocalTimeSource source) { g_localTimeSource.store(source, std::memory_order_release); }

// The 64-bit form explicitly, whatever _USE_32BIT_TIME_T says; it covers 1970 to 3000.
bool LocalTimeAt(std::int64_t seconds, LocalTime& out) {
    const __time64_t t = static_cast<__time64_t>(seconds);
    std::tm tm{};
    if (_localtime64_s(&tm, &t) != 0) {
        return false;
    }
    out = LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
    return true;
}

std::uint32_t TickCountMs() { return GetTickCount(); }

std::string NativePath(const char* path) { return path != nullptr ? path : ""; }

std::FILE* OpenFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr || *path == '\0') {
        return nullptr;
    }
    std::FILE* file = nullptr;
    return fopen_s(&file, path, mode) == 0 ? file : nullptr;
}

bool MakeDirectory(const char* path) {
    if (path == nullptr || *path == '\0') {
        return false;
    }
    if (CreateDirectoryA(path, nullptr)) {
        return true;
    }
    const DWORD attributes = GetFileAttributesA(path);
    return GetLastError() == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

unsigned DefaultCodePage() noexcept { return GetACP(); }

bool NarrowToWide(unsigned codePage, const char* text, std::size_t bytes, std::u16string& out) {
    out.clear();
    if (text == nullptr || bytes == 0) {
        return text != nullptr || bytes == 0;
    }
    if (bytes > 0x7FFFFFFF) {
        return false;
    }
    codePage = Resolved(codePage);
    const DWORD flags = StrictToWideFlags(codePage);
    const int inBytes = static_cast<int>(bytes);
    const int units = MultiByteToWideChar(codePage, flags, text, inBytes, nullptr, 0);
    if (units <= 0) {
        return false;
    }
    out.resize(static_cast<std::size_t>(units));
    return MultiByteToWideChar(codePage, flags, text, inBytes, reinterpret_cast<wchar_t*>(out.data()), units) == units;
}

bool WideToNarrow(unsigned codePage, const char16_t* text, std::size_t units, std::string& out) {
    out.clear();
    if (text == nullptr || units == 0) {
        return text != nullptr || units == 0;
    }
    if (units > 0x7FFFFFFF) {
        return false;
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text);
    const int inUnits = static_cast<int>(units);
    codePage = Resolved(codePage);
    const DWORD flags = StrictToNarrowFlags(codePage);
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultPtr = ReportsDefaultChar(codePage) ? &usedDefault : nullptr;
    const int bytes = WideCharToMultiByte(codePage, flags, wide, inUnits, nullptr, 0, nullptr, usedDefaultPtr);
    if (bytes <= 0 || usedDefault) {
        return false;
    }
    out.resize(static_cast<std::size_t>(bytes));
    return WideCharToMultiByte(codePage, flags, wide, inUnits, out.data(), bytes, nullptr, nullptr) == bytes;
}

namespace {
std::atomic<bool> g_errorBoxes{true};

// A process on an invisible window station (a service, a scheduled task, a CI
// runner) has nobody to press OK: a message box there would hang it for good.
bool HasVisibleDesktop() noexcept {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    const HWINSTA station = GetProcessWindowStation();
    return station != nullptr && GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed) &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}
}  // namespace

void ShowErrorMessage(const char* title, const char* text) {
    title = title != nullptr ? title : "";
    text = text != nullptr ? text : "";
    // Also on the error stream, for consoles and for logs of headless runs.
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
    if (g_errorBoxes.load(std::memory_order_relaxed) && HasVisibleDesktop()) {
        MessageBoxA(nullptr, text, title, MB_OK | MB_ICONERROR);
    }
}

void SetErrorBoxes(bool shown) noexcept { g_errorBoxes.store(shown, std::memory_order_relaxed); }

void CpuRelax() noexcept {
#if defined(_M_X64) || defined(_M_IX86)
    _mm_pause();
#elif defined(_M_ARM64)
    __yield();
#endif
}

void YieldThread() noexcept { std::this_thread::yield(); }

}  // namespace Platform
