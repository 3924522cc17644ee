#include "KernelClock.h"

#include "../module/IKernel.h"
#include "CalendarTime.h"
#include "NumberText.h"

void CurrentDateTimeParts(IKernel* kernel, int& year, int& month, int& day, int& hour, int& minute, int& second) {
    year = month = day = hour = minute = second = 0;
    if (kernel == nullptr) {
        return;
    }
    double date = 0.0;
    double time = 0.0;
    kernel->GetCurrentDateTime(date, time);
    kernel->SplitDate(date, year, month, day);
    kernel->SplitTime(time, hour, minute, second);
}

std::int64_t CurrentTime(IKernel* kernel, bool startOfDay) {
    if (kernel == nullptr) {
        return 0;
    }
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    CurrentDateTimeParts(kernel, year, month, day, hour, minute, second);
    if (startOfDay) {
        hour = minute = second = 0;
    }
    return MakeCalendarTime(year, month, day, hour, minute, second);
}

std::string CurrentDateTimeText(IKernel* kernel, bool dateOnly) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (kernel != nullptr) {
        double date = 0.0;
        double time = 0.0;
        kernel->GetCurrentDateTime(date, time);
        kernel->SplitDate(date, year, month, day);
        if (!dateOnly) {
            kernel->SplitTime(time, hour, minute, second);
        }
    }
    return IntToString(year) + "-" + IntToString(month) + "-" + IntToString(day) + " " + IntToString(hour) + ":" +
           IntToString(minute) + ":" + IntToString(second);
}
