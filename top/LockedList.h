#pragma once
// Holds a ranked list's lock for a rewrite, or for a read that must see one
// whole list. Every step that needs the lock takes one of these, so the lock is
// taken in one place and released on every path, bad_alloc included. When the
// lock was taken over from a holder that stopped, the list is repaired here
// (RankedRepair.h) before the caller goes on.
#include "../record/PubRecordHandle.h"
#include "RankedList.h"

namespace TopList {

class LockedList {
public:
    LockedList(PubRecordHandle& handle, const RankedList& list);
    LockedList(const LockedList&) = delete;
    LockedList& operator=(const LockedList&) = delete;

    PubRecordHandle& Handle() const noexcept { return handle_; }
    const RankedList& List() const noexcept { return list_; }
    bool TookOver() const noexcept { return lock_.TookOver(); }

private:
    PubRecordLock lock_;
    PubRecordHandle& handle_;
    const RankedList& list_;
};

}  // namespace TopList
