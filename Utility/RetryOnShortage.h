#pragma once
// Runs an idempotent step; when it fails for want of memory, notes the shortage
// and runs it once more, so a passing shortage cannot leave a rewrite half done.
// A second failure goes on to the caller.
#include <new>

template <class Step>
void RetryOnShortage(Step step, bool& shortage) {
    try {
        step();
    } catch (const std::bad_alloc&) {
        shortage = true;
        step();
    }
}
