#include "DailyLogFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "BoundedText.h"

namespace {

// Releases the writer's hold on every path.
class WriterGuard {
public:
    explicit WriterGuard(Platform::FileHandle file) noexcept : file_(file) {}
    WriterGuard(const WriterGuard&) = delete;
    WriterGuard& operator=(const WriterGuard&) = delete;
    ~WriterGuard() { Platform::CloseLogWriter(file_); }
    Platform::FileHandle Get() const noexcept { return file_; }

private:
    Platform::FileHandle file_;
};

}  // namespace

DailyLogFile::DailyLogFile() noexcept { fileName_[0] = '\0'; }

DailyLogFile::DailyLogFile(const char* fileName) noexcept { BoundedCopy(fileName_, sizeof fileName_, fileName); }

DailyLogFile::~DailyLogFile() = default;

void DailyLogFile::MakeDailyName(const Platform::LocalTime& now) {
    BoundedPrint(fileName_, sizeof fileName_, "%s%04d%02d%02d%02d%02d.log", prefix_.c_str(), now.year, now.month,
                 now.day, now.hour, now.minute);
}

void DailyLogFile::Open(const char* name, bool daily) {
    prefix_.clear();
    daily_ = false;
    if (name == nullptr) {
        name = "";
    }
    if (!daily) {
        BoundedCopy(fileName_, sizeof fileName_, name);
        return;
    }
    prefix_ = name;
    daily_ = true;
    const Platform::LocalTime now = Platform::NowLocal();
    MakeDailyName(now);

    std::FILE* file = Platform::OpenFile(fileName_, "wb");
    if (file == nullptr) {
        Platform::MakeDirectory("log");
        file = Platform::OpenFile(fileName_, "wb");
    }
    if (file == nullptr) {
        Platform::ShowErrorMessage("Error", "Unable open 'log\\*.log'");
        std::abort();
    }
    std::fclose(file);
    day_ = now.day;
}

const char* DailyLogFile::RefreshName(const Platform::LocalTime& now) {
    if (daily_ && now.day != day_) {
        MakeDailyName(now);
        day_ = now.day;
    }
    return fileName_;
}

bool DailyLogFile::Write(const char* text, bool stamped) {
    const Platform::LocalTime now = Platform::NowLocal();
    RefreshName(now);
    if (text == nullptr) {
        text = "";
    }
    WriterGuard file(Platform::OpenLogWriter(fileName_, false));
    if (file.Get() == Platform::kNoFile) {
        return false;
    }
    if (stamped) {
        char stamp[64];
        const int n = BoundedPrint(stamp, sizeof stamp, "[%04d-%02d-%02d %02d:%02d:%02d %03d] ", now.year, now.month,
                                   now.day, now.hour, now.minute, now.second, now.millis);
        if (!Platform::AppendLogBytes(file.Get(), stamp, static_cast<std::size_t>(n))) {
            return false;
        }
    }
    const char* end = stamped ? "\r\n\r\n" : "\r\n";
    return Platform::AppendLogBytes(file.Get(), text, std::strlen(text)) &&
           Platform::AppendLogBytes(file.Get(), end, std::strlen(end));
}

bool DailyLogFile::WriteLine(const char* text) { return Write(text, false); }

bool DailyLogFile::WriteEntry(const char* text) { return Write(text, true); }

int DailyLogFile::GetSize() const {
    const long long size = Platform::FileSizeOf(fileName_);
    if (size < 0) {
        return 0;
    }
    return size > 0x7fffffffLL ? 0x7fffffff : static_cast<int>(size);
}

bool DailyLogFile::Truncate() {
    WriterGuard file(Platform::OpenLogWriter(fileName_, true));
    return file.Get() != Platform::kNoFile;
}
