#include "PubRecordHandle.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "../Utility/CVarList.h"
#include "../Utility/NumberText.h"
#include "../Utility/Platform.h"
#include "../Utility/WideText.h"

namespace {
constexpr const char kLockSuffix[] = "PubLock";
// Spins this many failed tries with a pause before yielding the time slice, so a
// waiting logic thread does not starve the holder when servers outnumber cores.
constexpr int kSpinsBeforeYield = 64;
}  // namespace

PubRecordHandle::PubRecordHandle(IKernel* kernel, const char16_t* pubName, const char* recordName)
    : kernel_(kernel), recordName_(recordName != nullptr ? recordName : "") {
    const std::size_t len = std::strlen(recordName_);
    if (len + sizeof(kLockSuffix) <= sizeof(lockInline_)) {
        std::memcpy(lockInline_, recordName_, len);
        std::memcpy(lockInline_ + len, kLockSuffix, sizeof(kLockSuffix));
        lockName_ = lockInline_;
    } else {
        lockInline_[0] = '\0';
        lockHeap_.assign(recordName_, len).append(kLockSuffix);
        lockName_ = lockHeap_.c_str();
    }
    if (!kernel_->FindPubData(pubName)) kernel_->AddPubData(pubName, 1);
    pubIndex_ = kernel_->GetPubDataIndex(pubName);
}

void PubRecordHandle::EnsureLockProperty() {
    if (!kernel_->FindPubProperty(pubIndex_, lockName_)) {
        kernel_->AddPubProperty(pubIndex_, lockName_, VT_INT);
        kernel_->SetPubPropertySave(pubIndex_, lockName_, false);
    }
}

void PubRecordHandle::Lock() {
    EnsureLockProperty();
    for (int tries = 0; !kernel_->CompareSetPubPropertyInt(pubIndex_, lockName_, 0, 1); ++tries) {
        if (tries < kSpinsBeforeYield) {
            Platform::CpuRelax();
        } else {
            Platform::YieldThread();
        }
    }
}

void PubRecordHandle::Unlock() { kernel_->CompareSetPubPropertyInt(pubIndex_, lockName_, 1, 0); }

bool PubRecordHandle::CreateRecord(int maxRows, int cols) {
    const bool added = kernel_->AddPubRecord(pubIndex_, recordName_, maxRows, cols);
    if (added) {
        if (kernel_->FindPubProperty(pubIndex_, lockName_)) {
            kernel_->SetPubPropertyInt(pubIndex_, lockName_, 0);
        } else {
            kernel_->AddPubProperty(pubIndex_, lockName_, VT_INT);
            kernel_->SetPubPropertySave(pubIndex_, lockName_, false);
        }
    }
    return added;
}

namespace {

// A record's column types and rows as read before it is removed, so that it can
// be rebuilt with another maximum, or put back as it was.
struct SavedRecord {
    std::vector<int> types;
    CVarList cells;                   // every row's cells, one row after another
    std::vector<std::size_t> starts;  // first cell of each row; one past the end last
};

// Appends one row cell by cell from values already in memory: the library
// allocates nothing here, so a record that was removed is always refilled.
// Values are matched to columns the way CopyRowToList produced them: one per
// column of a listable type, none for the others; object cells have no setter.
void AppendCells(IKernel* kernel, int pubIndex, const char* record, const std::vector<int>& types,
                 const IVarList& values, std::size_t first) {
    const int row = kernel->GetPubRecordRows(pubIndex, record);
    if (row < 0 || !kernel->InsertPubRecordRow(pubIndex, record, row)) return;
    std::size_t at = first;
    for (std::size_t i = 0; i < types.size(); ++i) {
        const int col = static_cast<int>(i);
        switch (types[i]) {
            case VT_INT: kernel->SetPubRecordInt(pubIndex, record, row, col, values.IntAt(at++)); break;
            case VT_FLOAT: kernel->SetPubRecordFloat(pubIndex, record, row, col, values.FloatAt(at++)); break;
            case VT_STRING: kernel->SetPubRecordString(pubIndex, record, row, col, values.StringAt(at++)); break;
            case VT_WIDESTR: kernel->SetPubRecordWideStr(pubIndex, record, row, col, values.WideStringAt(at++)); break;
            case VT_OBJECT: ++at; break;
            default: break;
        }
    }
}

void AppendSavedRows(IKernel* kernel, int pubIndex, const char* record, const SavedRecord& saved, int count) {
    for (int i = 0; i < count; ++i) {
        AppendCells(kernel, pubIndex, record, saved.types, saved.cells, saved.starts[static_cast<std::size_t>(i)]);
    }
}

}  // namespace

bool PubRecordHandle::SetMaxRows(int maxRows) {
    if (pubIndex_ < 0 || maxRows <= 0) return false;
    const int oldMax = kernel_->GetPubRecordMax(pubIndex_, recordName_);
    if (oldMax < 0 || maxRows == oldMax) return false;  // missing, or nothing to change
    const int rows = std::max(Rows(), 0);
    const int cols = Cols();
    if (cols <= 0) return false;
    const int keep = std::min(rows, maxRows);

    // Everything is read before anything is removed: running out of memory here
    // leaves the record untouched.
    SavedRecord saved;
    saved.types.reserve(static_cast<std::size_t>(cols));
    for (int col = 0; col < cols; ++col) saved.types.push_back(kernel_->GetPubRecordColType(pubIndex_, recordName_, col));
    saved.starts.reserve(static_cast<std::size_t>(rows) + 1);
    for (int row = 0; row < rows; ++row) {
        saved.starts.push_back(saved.cells.Size());
        CopyRowToList(row, saved.cells);
    }
    saved.starts.push_back(saved.cells.Size());
    const bool defaultsComplete = std::all_of(saved.types.begin(), saved.types.end(), [](int type) {
        return type == VT_INT || type == VT_FLOAT || type == VT_STRING || type == VT_WIDESTR;
    });

    const auto rebuild = [&](int max, int rowCount) {
        if (!CreateRecord(max, cols)) return false;
        for (int col = 0; col < cols; ++col) SetColumnType(col, saved.types[static_cast<std::size_t>(col)]);
        AppendSavedRows(kernel_, pubIndex_, recordName_, saved, rowCount);
        return true;
    };
    kernel_->RemovePubRecord(pubIndex_, recordName_);
    bool created = false;
    try {
        created = rebuild(maxRows, keep);
    } catch (const std::bad_alloc&) {
        // Put the old record back, whole, before the shortage is reported.
        kernel_->RemovePubRecord(pubIndex_, recordName_);
        rebuild(oldMax, rows);
        throw;
    }
    if (!created) {
        // Put the old record back with all its rows rather than lose the list.
        const bool restored = rebuild(oldMax, rows);
        const std::string text = std::string("PubRecordHandle::SetMaxRows: cannot re-create record ") + recordName_ +
                                 " with " + std::to_string(maxRows) + " rows; " +
                                 (restored ? "kept it as it was" : "could not put it back either");
        kernel_->WriteLog(text.c_str());
        return false;
    }
    for (int row = keep; row < maxRows; ++row) {
        // A new row holds the default of each column's type: 0, 0.0, empty text.
        if (!defaultsComplete) return false;  // a column type without a default value
        if (!kernel_->InsertPubRecordRow(pubIndex_, recordName_, row)) return false;
    }
    return true;
}

bool PubRecordHandle::Exists() { return kernel_->FindPubRecord(pubIndex_, recordName_); }

int PubRecordHandle::FindRowByName(const char16_t* name) {
    return kernel_->FindPubRecordWideStr(pubIndex_, recordName_, 0, name != nullptr ? name : u"");
}

int PubRecordHandle::CellInt(int row, int col) { return kernel_->QueryPubRecordInt(pubIndex_, recordName_, row, col); }

float PubRecordHandle::CellFloat(int row, int col) {
    return kernel_->QueryPubRecordFloat(pubIndex_, recordName_, row, col);
}

std::string PubRecordHandle::CellString(int row, int col) {
    const char* text = kernel_->QueryPubRecordString(pubIndex_, recordName_, row, col);
    return text != nullptr ? std::string(text) : std::string();
}

std::u16string PubRecordHandle::CellWideString(int row, int col) {
    const char16_t* text = kernel_->QueryPubRecordWideStr(pubIndex_, recordName_, row, col);
    return text != nullptr ? std::u16string(text) : std::u16string();
}

ObjectId PubRecordHandle::CellObject(int row, int col) {
    return kernel_->QueryPubRecordObject(pubIndex_, recordName_, row, col);
}

bool PubRecordHandle::SetCell(int row, int col, int value) {
    switch (kernel_->GetPubRecordColType(pubIndex_, recordName_, col)) {
        case VT_INT: return kernel_->SetPubRecordInt(pubIndex_, recordName_, row, col, value);
        case VT_FLOAT:
            return kernel_->SetPubRecordFloat(pubIndex_, recordName_, row, col, static_cast<float>(value));
        case VT_STRING:
            return kernel_->SetPubRecordString(pubIndex_, recordName_, row, col, IntToString(value).c_str());
        case VT_WIDESTR:
            return kernel_->SetPubRecordWideStr(pubIndex_, recordName_, row, col, IntToWide(value).c_str());
        default: return false;
    }
}

bool PubRecordHandle::SetCell(int row, int col, const char* value) {
    if (value == nullptr) value = "";
    switch (kernel_->GetPubRecordColType(pubIndex_, recordName_, col)) {
        case VT_INT: return kernel_->SetPubRecordInt(pubIndex_, recordName_, row, col, StringToInt(value));
        case VT_FLOAT: return kernel_->SetPubRecordFloat(pubIndex_, recordName_, row, col, StringToFloat(value));
        case VT_STRING: return kernel_->SetPubRecordString(pubIndex_, recordName_, row, col, value);
        case VT_WIDESTR:
            return kernel_->SetPubRecordWideStr(pubIndex_, recordName_, row, col, StringToWide(value, 0).c_str());
        default: return false;
    }
}

bool PubRecordHandle::SetCell(int row, int col, const char16_t* value) {
    if (value == nullptr) value = u"";
    switch (kernel_->GetPubRecordColType(pubIndex_, recordName_, col)) {
        case VT_INT: return kernel_->SetPubRecordInt(pubIndex_, recordName_, row, col, WideToInt(value));
        case VT_FLOAT: return kernel_->SetPubRecordFloat(pubIndex_, recordName_, row, col, WideToFloat(value));
        case VT_STRING:
            return kernel_->SetPubRecordString(pubIndex_, recordName_, row, col, WideToString(value, 0).c_str());
        case VT_WIDESTR: return kernel_->SetPubRecordWideStr(pubIndex_, recordName_, row, col, value);
        default: return false;
    }
}

bool PubRecordHandle::CopyRowToList(int row, IVarList& list) {
    if (row < 0 || row >= Rows()) return false;
    const int cols = Cols();
    for (int col = 0; col < cols; ++col) {
        switch (kernel_->GetPubRecordColType(pubIndex_, recordName_, col)) {
            case VT_INT: list.PushInt(CellInt(row, col)); break;
            case VT_FLOAT: list.PushFloat(CellFloat(row, col)); break;
            case VT_STRING: {
                const char* text = kernel_->QueryPubRecordString(pubIndex_, recordName_, row, col);
                list.PushString(text != nullptr ? text : "");
                break;
            }
            case VT_WIDESTR: {
                const char16_t* text = kernel_->QueryPubRecordWideStr(pubIndex_, recordName_, row, col);
                list.PushWideString(text != nullptr ? text : u"");
                break;
            }
            case VT_OBJECT: list.PushObject(CellObject(row, col)); break;
            default: break;
        }
    }
    return true;
}

int PubRecordHandle::Rows() { return kernel_->GetPubRecordRows(pubIndex_, recordName_); }

int PubRecordHandle::Cols() { return kernel_->GetPubRecordCols(pubIndex_, recordName_); }

bool PubRecordHandle::SetColumnType(int col, int type) {
    return kernel_->SetPubRecordColType(pubIndex_, recordName_, col, type);
}

int PubRecordHandle::AddRow(int row, const IVarList& values) {
    return kernel_->AddPubRecordRowValue(pubIndex_, recordName_, row, values);
}

bool PubRecordHandle::SetRow(int row, const IVarList& values) {
    return kernel_->SetPubRecordRowValue(pubIndex_, recordName_, row, values);
}
