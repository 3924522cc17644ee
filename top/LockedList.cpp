#include "LockedList.h"

#include "RankedRepair.h"

namespace TopList {

LockedList::LockedList(PubRecordHandle& handle, const RankedList& list) : lock_(handle), handle_(handle), list_(list) {
    // A stopped holder's half-done rewrite never reaches the caller. Should the
    // repair run out of memory, the lock is still given back (lock_ is whole).
    if (lock_.TookOver()) RepairLocked(handle_, list_);
}

}  // namespace TopList
