#pragma once
// Read-only access to a record that other parts of the host keep, reached by the
// public data's wide name and the record's name on every call. Unlike
// PubRecordHandle it creates nothing and takes no lock.
#include "../module/IKernel.h"

class PubRecordView {
public:
    PubRecordView(IKernel* kernel, const char16_t* pubName, const char* recordName) noexcept
        : kernel_(kernel), pubName_(pubName), recordName_(recordName) {}

    bool Exists();
    int Rows();  // -1 when missing
    int CellInt(int row, int col);
    // The kernel's own text, never null: valid until the next call on the kernel.
    const char16_t* CellWideText(int row, int col);

private:
    IKernel* kernel_;
    const char16_t* pubName_;
    const char* recordName_;
};
