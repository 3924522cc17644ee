#pragma once
// The support library's own text log. Every write opens the file, appends and
// closes it, so the file may be read, moved or deleted between writes. In daily
// mode the name carries the local date and changes with the day of the month.
#include <cstddef>
#include <string>

#include "Platform.h"

class DailyLogFile {
public:
    static constexpr std::size_t kNameBytes = 512;  // file names keep at most 511 characters

    DailyLogFile() noexcept;
    explicit DailyLogFile(const char* fileName) noexcept;
    DailyLogFile(const DailyLogFile&) = delete;
    DailyLogFile& operator=(const DailyLogFile&) = delete;
    ~DailyLogFile();

    // Fixed-name mode: only remembers the name. Daily mode: makes the dated name and
    // creates (or empties) that file, making the "log" directory when needed; when
    // the file still cannot be made the process ends after an error message.
    void Open(const char* name, bool daily);

    const char* GetFileName() const noexcept { return fileName_; }
    // Rotates the name when the day of the month differs from the current file's.
    const char* RefreshName(const Platform::LocalTime& now);

    // "text\r\n" at the end of the file; false when the file cannot be opened for writing.
    bool WriteLine(const char* text);
    // "[yyyy-mm-dd hh:mm:ss mmm] text\r\n\r\n" at the end of the file.
    bool WriteEntry(const char* text);

    int GetSize() const;  // 0 when the file cannot be opened
    bool Truncate();      // the file was created or emptied

    bool IsDaily() const noexcept { return daily_; }
    int Day() const noexcept { return day_; }

private:
    void MakeDailyName(const Platform::LocalTime& now);
    bool Write(const char* text, bool stamped);

    std::string prefix_;  // daily mode only
    bool daily_ = false;
    int day_ = -1;
    char fileName_[kNameBytes];
};
