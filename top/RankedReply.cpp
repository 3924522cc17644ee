#include "RankedReply.h"

#include <algorithm>

#include "../Utility/CVarList.h"
#include "../Utility/NullText.h"
#include "../module/IKernel.h"
#include "../record/RecordImage.h"
#include "LockedList.h"

namespace TopList {

namespace {

// The rows a reply sends, read once: the record's column types, then the first
// maxRows rows cell by cell, each cell by its column's type.
void TakeSentRows(PubRecordHandle& handle, int maxRows, RecordImage& sent) {
    sent.Take(handle, 0, std::max(maxRows, 0));
}

// For each row i read: i + 1, then the row's cells.
void PushRankedRows(const RecordImage& sent, IVarList& out) {
    for (int row = 0; row < sent.Rows(); ++row) {
        out.PushInt(row + 1);
        sent.PushRow(row, out);
    }
}

// When the name is listed at row r: r + 1 and the stored row (from the rows
// read when it is among them); otherwise 0 and the player's current values read
// by the list's unlisted fields.
void PushStoredEntry(PubRecordHandle& handle, IKernel* kernel, const ObjectId& player, const char16_t* name,
                     const RankedList& list, const RecordImage& sent, IVarList& out) {
    const int row = handle.FindRowByName(name);
    if (row >= 0 && row < sent.Rows()) {
        out.PushInt(row + 1);
        sent.PushRow(row, out);
        return;
    }
    if (row >= 0 && row < sent.RecordRows()) {
        RecordImage own;
        const int rows[] = {row};
        own.TakeRowsAs(handle, sent.Types(), rows);
        out.PushInt(row + 1);
        own.PushRow(0, out);
        return;
    }
    out.PushInt(0);
    PushPlayerValues(kernel, player, list.unlistedFields, out);
}

}  // namespace

void SendReply(IKernel* kernel, const ObjectId& player, const RankedList& list) {
    PubRecordHandle handle(kernel, list.pubSpace, list.record);
    CVarList reply;
    reply.PushInt(list.replyMessage);
    RecordImage sent;
    if (list.ownEntry == OwnEntry::CurrentValues) {
        const std::size_t rankAt = reply.Size();
        reply.PushInt(0);
        PushPlayerValues(kernel, player, list.rowFields, reply);
        const LockedList locked(handle, list);
        const int own = handle.FindRowByName(reply.WideStringAt(rankAt + 1));
        if (own >= 0 && own + 1 <= list.replyRows) reply.SetIntAt(rankAt, own + 1);
        TakeSentRows(handle, list.replyRows, sent);
    } else {
        // The kernel's text lasts only until its next call: keep a copy of the name.
        CVarList name;
        name.PushWideString(OrEmpty(kernel->QueryWideStr(player, "Name")));
        const LockedList locked(handle, list);
        // Asked under the lock: on a remote store the whole reply is the lock's two round trips.
        if (!handle.Exists()) return;
        TakeSentRows(handle, list.replyRows, sent);
        PushStoredEntry(handle, kernel, player, name.WideStringAt(0), list, sent, reply);
    }
    PushRankedRows(sent, reply);
    kernel->SendCustomMessage(player, player, reply);
}

}  // namespace TopList
