#include "RankedReply.h"

#include <algorithm>

#include "../Utility/CVarList.h"
#include "../Utility/NullText.h"
#include "../module/IKernel.h"
#include "LockedList.h"

namespace TopList {

namespace {

// For each row i from 0 while i < min(Rows, maxRows): i + 1, then the row's cells.
void PushRankedRows(PubRecordHandle& handle, int maxRows, IVarList& out) {
    const int rows = std::min(handle.Rows(), maxRows);
    for (int row = 0; row < rows; ++row) {
        out.PushInt(row + 1);
        handle.CopyRowToList(row, out);
    }
}

// When the name is listed at row r: r + 1 and the stored row; otherwise 0 and
// the player's current values read by the list's unlisted fields.
void PushStoredEntry(PubRecordHandle& handle, IKernel* kernel, const ObjectId& player, const char16_t* name,
                     const RankedList& list, IVarList& out) {
    const int row = handle.FindRowByName(name);
    if (row >= 0) {
        const std::size_t rankAt = out.Size();
        out.PushInt(row + 1);
        if (handle.CopyRowToList(row, out)) return;
        // Readers of another server's list can find a row that has gone since.
        out.SetIntAt(rankAt, 0);
    } else {
        out.PushInt(0);
    }
    PushPlayerValues(kernel, player, list.unlistedFields, out);
}

}  // namespace

void SendReply(IKernel* kernel, const ObjectId& player, const RankedList& list) {
    PubRecordHandle handle(kernel, list.pubSpace, list.record);
    CVarList reply;
    reply.PushInt(list.replyMessage);
    if (list.ownEntry == OwnEntry::CurrentValues) {
        const std::size_t rankAt = reply.Size();
        reply.PushInt(0);
        PushPlayerValues(kernel, player, list.rowFields, reply);
        const LockedList locked(handle, list);
        const int own = handle.FindRowByName(reply.WideStringAt(rankAt + 1));
        if (own >= 0 && own + 1 <= list.replyRows) reply.SetIntAt(rankAt, own + 1);
        PushRankedRows(handle, list.replyRows, reply);
    } else {
        if (!handle.Exists()) return;
        // The kernel's text lasts only until its next call: keep a copy of the name.
        CVarList name;
        name.PushWideString(OrEmpty(kernel->QueryWideStr(player, "Name")));
        const LockedList locked(handle, list);
        PushStoredEntry(handle, kernel, player, name.WideStringAt(0), list, reply);
        PushRankedRows(handle, list.replyRows, reply);
    }
    kernel->SendCustomMessage(player, player, reply);
}

}  // namespace TopList
