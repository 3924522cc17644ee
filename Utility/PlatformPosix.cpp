// The platform layer on POSIX systems: iconv for code pages, the monotonic clock for ticks and localtime_r for the local time.
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include <iconv.h>
#include <sched.h>
#include <sys/stat.h>

#include "Platform.h"
#include "UnicodeText.h"

namespace Platform {

namespace {

std::atomic<LocalTimeSource> g_localTimeSource{nullptr};

// Code pages the rule files and host texts use, by their iconv names. Any other
// number is tried as "CP<n>", which glibc knows for most Windows code pages.
std::string CodePageName(unsigned codePage) {
    switch (codePage) {
        case 0:
        case 65001: return "UTF-8";
        case 20127: return "ASCII";
        case 28591: return "ISO-8859-1";
        case 28592: return "ISO-8859-2";
        case 28595: return "ISO-8859-5";
        case 20866: return "KOI8-R";
        case 54936: return "GB18030";
        case 936: return "CP936";
        case 950: return "CP950";
        case 932: return "CP932";
        case 949: return "CP949";
        case 65000: return "UTF-7";
        default: return "CP" + std::to_string(codePage);
    }
}

const char* Utf16Name() noexcept { return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE"; }

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const noexcept { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all input; false on invalid or incomplete input.
    bool Run(const char* in, std::size_t inBytes, std::vector<char>& out) {
        out.assign(inBytes * 4 + 16, '\0');
        char* inPtr = const_cast<char*>(in);  // iconv does not write through it
        std::size_t inLeft = inBytes;
        std::size_t used = 0;
        for (bool flushing = false;;) {
            char* outPtr = out.data() + used;
            std::size_t outLeft = out.size() - used;
            const std::size_t r = flushing ? iconv(cd_, nullptr, nullptr, &outPtr, &outLeft)
                                           : iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (r == static_cast<std::size_t>(-1)) {
                if (errno != E2BIG) {
                    return false;
                }
                out.resize(out.size() * 2);
                continue;
            }
            if (flushing) {
                break;
            }
            flushing = true;  // shift back to the initial state of stateful encodings
        }
        out.resize(used);
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

LocalTime NowLocal() {
    if (const LocalTimeSource source = g_localTimeSource.load(std::memory_order_acquire)) {
        return source();
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    const std::time_t seconds = ts.tv_sec;
    localtime_r(&seconds, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millis = static_cast<int>(ts.tv_nsec / 1000000);
    return t;
}

void SetLocalTimeSource(LocalTimeSource source) { g_localTimeSource.store(source, std::memory_order_release); }

static_assert(sizeof(std::time_t) == 8, "calendar times past 2038 need a 64-bit time_t");

bool LocalTimeAt(std::int64_t seconds, LocalTime& out) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        return false;
    }
    out = LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
    return true;
}

std::uint32_t TickCountMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

std::string NativePath(const char* path) {
    std::string native = path != nullptr ? path : "";
    for (char& c : native) {
        if (c == '\\') {
            c = '/';
        }
    }
    return native;
}

std::FILE* OpenFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr || *path == '\0') {
        return nullptr;
    }
    return std::fopen(NativePath(path).c_str(), mode);
}

bool MakeDirectory(const char* path) {
    if (path == nullptr || *path == '\0') {
        return false;
    }
    const std::string native = NativePath(path);
    if (::mkdir(native.c_str(), 0755) == 0) {
        return true;
    }
    struct stat st {};
    return errno == EEXIST && ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

unsigned DefaultCodePage() noexcept { return 65001; }

bool NarrowToWide(unsigned codePage, const char* text, std::size_t bytes, std::u16string& out) {
    out.clear();
    if (text == nullptr || bytes == 0) {
        return text != nullptr || bytes == 0;
    }
    const std::string name = CodePageName(codePage);
    if (name == "UTF-8") {
        return Utf8ToUtf16(text, bytes, out);
    }
    Iconv cd(Utf16Name(), name.c_str());
    std::vector<char> raw;
    if (!cd.valid() || !cd.Run(text, bytes, raw)) {
        return false;
    }
    out.resize(raw.size() / sizeof(char16_t));
    std::memcpy(out.data(), raw.data(), out.size() * sizeof(char16_t));
    return true;
}

bool WideToNarrow(unsigned codePage, const char16_t* text, std::size_t units, std::string& out) {
    out.clear();
    if (text == nullptr || units == 0) {
        return text != nullptr || units == 0;
    }
    const std::string name = CodePageName(codePage);
    if (name == "UTF-8") {
        return Utf16ToUtf8(text, units, out);
    }
    Iconv cd(name.c_str(), Utf16Name());
    std::vector<char> raw;
    if (!cd.valid() || !cd.Run(reinterpret_cast<const char*>(text), units * sizeof(char16_t), raw)) {
        return false;
    }
    out.assign(raw.begin(), raw.end());
    return true;
}

void ShowErrorMessage(const char* title, const char* text) {
    std::fprintf(stderr, "%s: %s\n", title != nullptr ? title : "", text != nullptr ? text : "");
    std::fflush(stderr);
}

void SetErrorBoxes(bool) noexcept {}

void CpuRelax() noexcept {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

void YieldThread() noexcept { sched_yield(); }

}  // namespace Platform
