#pragma once
// Runs an idempotent step; when it fails for want of memory, notes the shortage
// and runs it once more, so a passing shortage cannot leave a rewrite half done.
// A second failure goes on to the caller. A step that runs the library's own
// callbacks through the host also fails when one of them ran short: on Windows
// they contain their failures (HostEntry.h), so the count says it.
#include <new>

#include "HostEntry.h"

template <class Step>
void RetryOnShortage(Step step, bool& shortage) {
    const auto run = [&step] {
        if constexpr (HostEntry::kContainsFailures) {
            const std::uint64_t before = HostEntry::ShortagesContained();
            step();
            if (HostEntry::ShortagesContained() != before) throw std::bad_alloc();
        } else {
            step();
        }
    };
    try {
        run();
    } catch (const std::bad_alloc&) {
        shortage = true;
        run();
    }
}
