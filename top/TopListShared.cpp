#include "TopListShared.h"

#include "../Utility/CVarList.h"
#include "../Utility/ValueType.h"

namespace TopList {

bool IsAdmitted(IKernel* kernel, const ObjectId& player) { return kernel->QueryInt(player, "GutOver") >= 1; }

bool IsActiveParticipant(IKernel* kernel, const ObjectId& player) {
    return kernel->Exists(player) && IsAdmitted(kernel, player);
}

void WriteMissingSiblingReport(IKernel* kernel, const char* siblingName, const char* location) {
    // Built in a fixed buffer: the report must get out even when memory is short.
    char message[128];
    int used = 0;
    const auto append = [&message, &used](const char* text) {
        for (; *text != '\0' && used + 1 < static_cast<int>(sizeof(message)); ++text) message[used++] = *text;
        message[used] = '\0';
    };
    append("Not exist ");
    append(siblingName != nullptr ? siblingName : "");
    append(" module!");
    const char* where = location != nullptr ? location : "";
    kernel->WriteTrace(message);
    kernel->WriteTrace(where);
    kernel->WriteLog(message);
    kernel->WriteLog(where);
}

void PushPlayerValues(IKernel* kernel, const ObjectId& player, std::span<const PlayerField> fields, IVarList& out) {
    for (const PlayerField& field : fields) {
        switch (field.type) {
            case VT_WIDESTR: {
                const char16_t* text = kernel->QueryWideStr(player, field.property);
                out.PushWideString(text != nullptr ? text : u"");
                break;
            }
            case VT_STRING: {
                const char* text = kernel->QueryString(player, field.property);
                out.PushString(text != nullptr ? text : "");
                break;
            }
            default: out.PushInt(kernel->QueryInt(player, field.property)); break;
        }
    }
}

int PositionBelowEqual(PubRecordHandle& handle, int keyColumn, int key) {
    for (int row = handle.Rows() - 1; row >= 0; --row) {
        if (handle.CellInt(row, keyColumn) >= key) return row + 1;
    }
    return 0;
}

namespace {

// Takes row `leaving` out of a full list and adds `row` at `at` (an index of the
// list without it). The leaving row is read first; when the new row cannot be
// written it goes back to its place, cell by cell (no memory needed in the
// library), so a shortage or a refusal costs nobody his place.
int ReplaceInFullList(PubRecordHandle& handle, int leaving, int at, const IVarList& row) {
    IKernel* kernel = handle.Kernel();
    CVarList kept;
    if (!handle.CopyRowToList(leaving, kept)) return -1;
    const int rowsWithout = handle.Rows() - 1;
    if (!kernel->RemovePubRecordRow(handle.PubIndex(), handle.RecordName(), leaving)) return -1;
    int placed = -1;
    try {
        placed = handle.AddRow(at, row);
    } catch (const std::bad_alloc&) {
        bool shortage = true;
        if (handle.Rows() == rowsWithout) InsertRowCellsRetrying(handle, leaving, rowsWithout, kept, shortage);
        throw;
    }
    if (placed < 0 && handle.Rows() == rowsWithout) {
        bool shortage = false;
        InsertRowCellsRetrying(handle, leaving, rowsWithout, kept, shortage);
        if (shortage) throw std::bad_alloc();
    }
    return placed;
}

}  // namespace

int PlaceRankedRow(PubRecordHandle& handle, const IVarList& row, int keyColumn, int capacity) {
    if (keyColumn < 0 || row.Size() <= static_cast<std::size_t>(keyColumn) || row.TypeAt(0) != VT_WIDESTR) return -1;
    IKernel* kernel = handle.Kernel();
    const char16_t* name = row.WideStringAt(0);
    const int key = row.IntAt(static_cast<std::size_t>(keyColumn));
    const int rows = handle.Rows();

    const int listed = handle.FindRowByName(name);
    if (listed < 0) {
        if (rows < capacity) return handle.AddRow(PositionBelowEqual(handle, keyColumn, key), row);
        const int last = capacity - 1;
        if (key <= handle.CellInt(last, keyColumn)) return -1;
        // The last row's key is below his, so his place is the same with or without it.
        return ReplaceInFullList(handle, last, PositionBelowEqual(handle, keyColumn, key), row);
    }

    // His place in the list without his old row: below the last other row whose key is >= his.
    int place = 0;
    for (int r = rows - 1; r >= 0; --r) {
        if (r != listed && handle.CellInt(r, keyColumn) >= key) {
            place = r > listed ? r : r + 1;
            break;
        }
    }
    if (place == listed) return handle.SetRow(listed, row) ? listed : -1;
    if (rows < capacity) {
        // Insert first, then drop the old row: if the insert fails the list is as it was.
        const int insertAt = place < listed ? place : place + 1;
        if (handle.AddRow(insertAt, row) < 0) return -1;
        kernel->RemovePubRecordRow(handle.PubIndex(), handle.RecordName(), place < listed ? listed + 1 : listed);
        return place;
    }
    // A full list has no room for a second copy: the old row leaves first.
    return ReplaceInFullList(handle, listed, place, row);
}

bool InsertRowCellsRetrying(PubRecordHandle& handle, int at, int rowsWithout, const IVarList& values, bool& shortage) {
    IKernel* kernel = handle.Kernel();
    bool inserted = false;
    const auto step = [&] {
        if (handle.Rows() == rowsWithout && !kernel->InsertPubRecordRow(handle.PubIndex(), handle.RecordName(), at)) {
            return;
        }
        WriteRowCells(handle, at, values, 0, values.Size());
        inserted = true;
    };
    try {
        RetryOnShortage(step, shortage);
    } catch (const std::bad_alloc&) {
        // Better no row than a nameless one, or one out of rank order.
        if (handle.Rows() > rowsWithout) kernel->RemovePubRecordRow(handle.PubIndex(), handle.RecordName(), at);
        throw;
    }
    return inserted;
}

void WriteRowCells(PubRecordHandle& handle, int row, const IVarList& values, std::size_t first, std::size_t count) {
    IKernel* kernel = handle.Kernel();
    const int index = handle.PubIndex();
    const char* record = handle.RecordName();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = first + i;
        const int col = static_cast<int>(i);
        switch (values.TypeAt(at)) {
            case VT_INT: kernel->SetPubRecordInt(index, record, row, col, values.IntAt(at)); break;
            case VT_FLOAT: kernel->SetPubRecordFloat(index, record, row, col, values.FloatAt(at)); break;
            case VT_STRING: kernel->SetPubRecordString(index, record, row, col, values.StringAt(at)); break;
            case VT_WIDESTR: kernel->SetPubRecordWideStr(index, record, row, col, values.WideStringAt(at)); break;
            default: break;
        }
    }
}

void AppendRowCells(PubRecordHandle& handle, const IVarList& values, std::size_t first, std::size_t count) {
    const int row = handle.Rows();
    if (row < 0 || !handle.Kernel()->InsertPubRecordRow(handle.PubIndex(), handle.RecordName(), row)) return;
    WriteRowCells(handle, row, values, first, count);
}

void PushRankedRows(PubRecordHandle& handle, int maxRows, IVarList& out) {
    const int rows = std::min(handle.Rows(), maxRows);
    for (int row = 0; row < rows; ++row) {
        out.PushInt(row + 1);
        handle.CopyRowToList(row, out);
    }
}

int PushOwnEntry(PubRecordHandle& handle, IKernel* kernel, const ObjectId& player, const char16_t* name,
                 std::span<const PlayerField> unlistedFields, IVarList& out) {
    const int row = handle.FindRowByName(name);
    if (row >= 0) {
        const std::size_t rankAt = out.Size();
        out.PushInt(row + 1);
        if (handle.CopyRowToList(row, out)) return row;
        // Readers take no lock: the row may have gone since it was found.
        out.SetIntAt(rankAt, 0);
    } else {
        out.PushInt(0);
    }
    PushPlayerValues(kernel, player, unlistedFields, out);
    return -1;
}

}  // namespace TopList
