#include "PubRecordHandle.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "../Utility/NullText.h"
#include "../Utility/NumberText.h"
#include "../Utility/Platform.h"
#include "../Utility/WideText.h"
#include "RecordImage.h"

namespace {
constexpr const char kLockSuffix[] = "PubLock";
// Spins this many failed tries with a pause before yielding the time slice, so a
// waiting logic thread does not starve the holder when servers outnumber cores.
constexpr int kSpinsBeforeYield = 64;
}  // namespace

PubRecordHandle::PubRecordHandle(IKernel* kernel, const char16_t* pubName, const char* recordName)
    : kernel_(kernel), recordName_(OrEmpty(recordName)) {
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

bool PubRecordHandle::AddRecord(int maxRows, int cols) {
    return kernel_->AddPubRecord(pubIndex_, recordName_, maxRows, cols);
}

bool PubRecordHandle::RemoveRecord() { return kernel_->RemovePubRecord(pubIndex_, recordName_); }

bool PubRecordHandle::SetMaxRows(int maxRows) {
    if (pubIndex_ < 0 || maxRows <= 0) return false;
    const int oldMax = MaxRows();
    if (oldMax < 0 || maxRows == oldMax) return false;  // missing, or nothing to change
    // Everything is read before anything is removed: running out of memory here
    // leaves the record untouched.
    RecordImage saved;
    saved.Take(*this);
    if (saved.Cols() <= 0) return false;
    const int keep = std::min(saved.Rows(), maxRows);
    const bool defaultsComplete = std::all_of(saved.Types().begin(), saved.Types().end(), [](int type) {
        return type == VT_INT || type == VT_FLOAT || type == VT_STRING || type == VT_WIDESTR;
    });

    RemoveRecord();
    bool created = false;
    try {
        created = saved.Recreate(*this, maxRows, keep);
    } catch (const std::bad_alloc&) {
        // Put the old record back, whole, before the shortage is reported.
        RemoveRecord();
        saved.Recreate(*this, oldMax, saved.Rows());
        throw;
    }
    if (!created) {
        // Put the old record back with all its rows rather than lose the list.
        const bool restored = saved.Recreate(*this, oldMax, saved.Rows());
        const std::string text = std::string("PubRecordHandle::SetMaxRows: cannot re-create record ") + recordName_ +
                                 " with " + std::to_string(maxRows) + " rows; " +
                                 (restored ? "kept it as it was" : "could not put it back either");
        kernel_->WriteLog(text.c_str());
        return false;
    }
    for (int row = keep; row < maxRows; ++row) {
        // A new row holds the default of each column's type: 0, 0.0, empty text.
        if (!defaultsComplete) return false;  // a column type without a default value
        if (!InsertDefaultRow(row)) return false;
    }
    return true;
}

bool PubRecordHandle::SetSave(bool save) { return kernel_->SetPubRecordSave(pubIndex_, recordName_, save); }

bool PubRecordHandle::Exists() { return kernel_->FindPubRecord(pubIndex_, recordName_); }

int PubRecordHandle::FindRowByName(const char16_t* name) {
    return kernel_->FindPubRecordWideStr(pubIndex_, recordName_, 0, OrEmpty(name));
}

int PubRecordHandle::CellInt(int row, int col) { return kernel_->QueryPubRecordInt(pubIndex_, recordName_, row, col); }

float PubRecordHandle::CellFloat(int row, int col) {
    return kernel_->QueryPubRecordFloat(pubIndex_, recordName_, row, col);
}

std::string PubRecordHandle::CellString(int row, int col) {
    return std::string(CellText(row, col));
}

std::u16string PubRecordHandle::CellWideString(int row, int col) {
    return std::u16string(CellWideText(row, col));
}

ObjectId PubRecordHandle::CellObject(int row, int col) {
    return kernel_->QueryPubRecordObject(pubIndex_, recordName_, row, col);
}

const char* PubRecordHandle::CellText(int row, int col) {
    return OrEmpty(kernel_->QueryPubRecordString(pubIndex_, recordName_, row, col));
}

const char16_t* PubRecordHandle::CellWideText(int row, int col) {
    return OrEmpty(kernel_->QueryPubRecordWideStr(pubIndex_, recordName_, row, col));
}

bool PubRecordHandle::SetCell(int row, int col, int value) {
    switch (ColumnType(col)) {
        case VT_INT: return SetCellInt(row, col, value);
        case VT_FLOAT: return SetCellFloat(row, col, static_cast<float>(value));
        case VT_STRING: return SetCellString(row, col, IntToString(value).c_str());
        case VT_WIDESTR: return SetCellWideString(row, col, IntToWide(value).c_str());
        default: return false;
    }
}

bool PubRecordHandle::SetCell(int row, int col, const char* value) {
    value = OrEmpty(value);
    switch (ColumnType(col)) {
        case VT_INT: return SetCellInt(row, col, StringToInt(value));
        case VT_FLOAT: return SetCellFloat(row, col, StringToFloat(value));
        case VT_STRING: return SetCellString(row, col, value);
        case VT_WIDESTR: return SetCellWideString(row, col, StringToWide(value, 0).c_str());
        default: return false;
    }
}

bool PubRecordHandle::SetCell(int row, int col, const char16_t* value) {
    value = OrEmpty(value);
    switch (ColumnType(col)) {
        case VT_INT: return SetCellInt(row, col, WideToInt(value));
        case VT_FLOAT: return SetCellFloat(row, col, WideToFloat(value));
        case VT_STRING: return SetCellString(row, col, WideToString(value, 0).c_str());
        case VT_WIDESTR: return SetCellWideString(row, col, value);
        default: return false;
    }
}

bool PubRecordHandle::SetCellInt(int row, int col, int value) {
    return kernel_->SetPubRecordInt(pubIndex_, recordName_, row, col, value);
}

bool PubRecordHandle::SetCellFloat(int row, int col, float value) {
    return kernel_->SetPubRecordFloat(pubIndex_, recordName_, row, col, value);
}

bool PubRecordHandle::SetCellString(int row, int col, const char* value) {
    return kernel_->SetPubRecordString(pubIndex_, recordName_, row, col, OrEmpty(value));
}

bool PubRecordHandle::SetCellWideString(int row, int col, const char16_t* value) {
    return kernel_->SetPubRecordWideStr(pubIndex_, recordName_, row, col, OrEmpty(value));
}

bool PubRecordHandle::CopyRowToList(int row, IVarList& list) {
    if (row < 0 || row >= Rows()) return false;
    const int cols = Cols();
    for (int col = 0; col < cols; ++col) {
        switch (ColumnType(col)) {
            case VT_INT: list.PushInt(CellInt(row, col)); break;
            case VT_FLOAT: list.PushFloat(CellFloat(row, col)); break;
            case VT_STRING: list.PushString(CellText(row, col)); break;
            case VT_WIDESTR: list.PushWideString(CellWideText(row, col)); break;
            case VT_OBJECT: list.PushObject(CellObject(row, col)); break;
            default: break;
        }
    }
    return true;
}

int PubRecordHandle::Rows() { return kernel_->GetPubRecordRows(pubIndex_, recordName_); }

int PubRecordHandle::Cols() { return kernel_->GetPubRecordCols(pubIndex_, recordName_); }

int PubRecordHandle::MaxRows() { return kernel_->GetPubRecordMax(pubIndex_, recordName_); }

int PubRecordHandle::ColumnType(int col) { return kernel_->GetPubRecordColType(pubIndex_, recordName_, col); }

bool PubRecordHandle::SetColumnType(int col, int type) {
    return kernel_->SetPubRecordColType(pubIndex_, recordName_, col, type);
}

void PubRecordHandle::SetColumnTypes(std::span<const int> types) {
    for (std::size_t col = 0; col < types.size(); ++col) SetColumnType(static_cast<int>(col), types[col]);
}

int PubRecordHandle::AddRow(int row, const IVarList& values) {
    return kernel_->AddPubRecordRowValue(pubIndex_, recordName_, row, values);
}

bool PubRecordHandle::SetRow(int row, const IVarList& values) {
    return kernel_->SetPubRecordRowValue(pubIndex_, recordName_, row, values);
}

bool PubRecordHandle::InsertDefaultRow(int row) { return kernel_->InsertPubRecordRow(pubIndex_, recordName_, row); }

bool PubRecordHandle::RemoveRow(int row) { return kernel_->RemovePubRecordRow(pubIndex_, recordName_, row); }

bool PubRecordHandle::Clear() { return kernel_->ClearPubRecord(pubIndex_, recordName_); }
