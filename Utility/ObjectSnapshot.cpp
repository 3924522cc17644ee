#include "ObjectSnapshot.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "../module/IKernel.h"
#include "CVarList.h"
#include "NullText.h"
#include "../module/ValueType.h"

namespace {

void LogFailure(IKernel* kernel, const std::string& message, int line) {
    const std::string position = "..\\Utility\\Extern (" + std::to_string(line) + ")";
    kernel->WriteLog(message.c_str());
    kernel->WriteLog(position.c_str());
}

// --- writing ---------------------------------------------------------------------

void PushPropertyValue(IKernel* kernel, const ObjectId& obj, const char* name, int type, IVarList& list) {
    switch (type) {
        case VT_INT: list.PushInt(kernel->QueryInt(obj, name)); break;
        case VT_FLOAT: list.PushFloat(kernel->QueryFloat(obj, name)); break;
        case VT_STRING: list.PushString(OrEmpty(kernel->QueryString(obj, name))); break;
        case VT_WIDESTR: list.PushWideString(OrEmpty(kernel->QueryWideStr(obj, name))); break;
        case VT_OBJECT: list.PushObject(kernel->QueryObject(obj, name)); break;
        default: list.PushString(""); break;
    }
}

void PushDataValue(IKernel* kernel, const ObjectId& obj, const char* name, int type, IVarList& list) {
    switch (type) {
        case VT_INT: list.PushInt(kernel->QueryDataInt(obj, name)); break;
        case VT_FLOAT: list.PushFloat(kernel->QueryDataFloat(obj, name)); break;
        case VT_STRING: list.PushString(OrEmpty(kernel->QueryDataString(obj, name))); break;
        case VT_WIDESTR: list.PushWideString(OrEmpty(kernel->QueryDataWideStr(obj, name))); break;
        case VT_OBJECT: list.PushObject(kernel->QueryDataObject(obj, name)); break;
        default: list.PushString(""); break;
    }
}

void PushCell(IKernel* kernel, const ObjectId& obj, const char* rec, int row, int col, int type, IVarList& list) {
    switch (type) {
        case VT_INT: list.PushInt(kernel->QueryRecordInt(obj, rec, row, col)); break;
        case VT_FLOAT: list.PushFloat(kernel->QueryRecordFloat(obj, rec, row, col)); break;
        case VT_STRING: list.PushString(OrEmpty(kernel->QueryRecordString(obj, rec, row, col))); break;
        case VT_WIDESTR: list.PushWideString(OrEmpty(kernel->QueryRecordWideStr(obj, rec, row, col))); break;
        case VT_OBJECT: list.PushObject(kernel->QueryRecordObject(obj, rec, row, col)); break;
        default: list.PushString(""); break;
    }
}

const char* NameAt(const IVarList& names, std::size_t i) {
    return names.TypeAt(i) == VT_STRING ? names.StringAt(i) : nullptr;
}

// --- reading: every index is checked against the size and every type before use;
// a mistyped value reads as the neutral value of its type. -------------------------

class Reader {
public:
    explicit Reader(const IVarList& list) : list_(list), size_(list.Size()) {}

    std::size_t Size() const { return size_; }
    bool Is(std::size_t i, int type) const { return i < size_ && list_.TypeAt(i) == type; }

    // A non-negative Int count at i.
    bool Count(std::size_t i, std::uint64_t& out) const {
        if (!Is(i, VT_INT) || list_.IntAt(i) < 0) {
            return false;
        }
        out = static_cast<std::uint64_t>(list_.IntAt(i));
        return true;
    }
    int Int(std::size_t i) const { return Is(i, VT_INT) ? list_.IntAt(i) : 0; }
    float Float(std::size_t i) const { return Is(i, VT_FLOAT) ? list_.FloatAt(i) : 0.0f; }
    const char* Text(std::size_t i) const { return Is(i, VT_STRING) ? OrEmpty(list_.StringAt(i)) : ""; }
    const char16_t* Wide(std::size_t i) const { return Is(i, VT_WIDESTR) ? OrEmpty(list_.WideStringAt(i)) : u""; }
    ObjectId Object(std::size_t i) const { return Is(i, VT_OBJECT) ? list_.ObjectAt(i) : ObjectId{}; }

private:
    const IVarList& list_;
    std::size_t size_;
};

void StoreProperty(IKernel* kernel, const ObjectId& obj, const char* name, const Reader& in, std::size_t i) {
    switch (kernel->GetPropertyType(obj, name)) {
        case VT_INT: kernel->SetInt(obj, name, in.Int(i)); break;
        case VT_FLOAT: kernel->SetFloat(obj, name, in.Float(i)); break;
        case VT_STRING: kernel->SetString(obj, name, in.Text(i)); break;
        case VT_WIDESTR: kernel->SetWideStr(obj, name, in.Wide(i)); break;
        case VT_OBJECT: kernel->SetObject(obj, name, in.Object(i)); break;
        default: break;
    }
}

bool IsStorableType(int type) { return type >= VT_INT && type <= VT_OBJECT; }

void StoreData(IKernel* kernel, const ObjectId& obj, const char* name, int type, const Reader& in, std::size_t i) {
    // Only the five value types a snapshot carries make new data values; anything
    // else would add an entry that no setter can fill.
    if (!IsStorableType(type)) {
        return;
    }
    if (!kernel->FindData(obj, name)) {
        kernel->AddData(obj, name, type);
    }
    switch (type) {
        case VT_INT: kernel->SetDataInt(obj, name, in.Int(i)); break;
        case VT_FLOAT: kernel->SetDataFloat(obj, name, in.Float(i)); break;
        case VT_STRING: kernel->SetDataString(obj, name, in.Text(i)); break;
        case VT_WIDESTR: kernel->SetDataWideStr(obj, name, in.Wide(i)); break;
        default: kernel->SetDataObject(obj, name, in.Object(i)); break;
    }
}

void StoreCell(IKernel* kernel, const ObjectId& obj, const char* rec, int row, int col, int type, const Reader& in,
               std::size_t i) {
    switch (type) {
        case VT_INT: kernel->SetRecordInt(obj, rec, row, col, in.Int(i)); break;
        case VT_FLOAT: kernel->SetRecordFloat(obj, rec, row, col, in.Float(i)); break;
        case VT_STRING: kernel->SetRecordString(obj, rec, row, col, in.Text(i)); break;
        case VT_WIDESTR: kernel->SetRecordWideStr(obj, rec, row, col, in.Wide(i)); break;
        case VT_OBJECT: kernel->SetRecordObject(obj, rec, row, col, in.Object(i)); break;
        default: break;
    }
}

}  // namespace

int SaveObjectToList(IKernel* kernel, const ObjectId& obj, IVarList& list, bool includeObjects, bool includeAll) {
    if (kernel == nullptr || !kernel->Exists(obj)) {
        return 0;
    }
    CVarList names;

    kernel->GetPropertyList(obj, names);
    std::size_t countAt = list.Size();
    list.PushInt(0);
    int count = 0;
    for (std::size_t i = 0; i < names.Size(); ++i) {
        const char* name = NameAt(names, i);
        if (name == nullptr || (!includeAll && !kernel->TestPropertyFlag(obj, name))) {
            continue;
        }
        const int type = kernel->GetPropertyType(obj, name);
        if (type == VT_OBJECT && !includeObjects) {
            continue;
        }
        list.PushString(name);
        PushPropertyValue(kernel, obj, name, type, list);
        ++count;
    }
    list.SetIntAt(countAt, count);

    names.Reset();
    kernel->GetDataList(obj, names);
    countAt = list.Size();
    list.PushInt(0);
    count = 0;
    for (std::size_t i = 0; i < names.Size(); ++i) {
        const char* name = NameAt(names, i);
        if (name == nullptr) {
            continue;
        }
        const int type = kernel->GetDataType(obj, name);
        if (type == VT_OBJECT && !includeObjects) {
            continue;
        }
        list.PushInt(type);
        list.PushString(name);
        PushDataValue(kernel, obj, name, type, list);
        ++count;
    }
    list.SetIntAt(countAt, count);

    names.Reset();
    kernel->GetRecordList(obj, names);
    countAt = list.Size();
    list.PushInt(0);
    count = 0;
    std::vector<int> colTypes;
    for (std::size_t i = 0; i < names.Size(); ++i) {
        const char* name = NameAt(names, i);
        if (name == nullptr || (!includeAll && !kernel->TestRecordFlag(obj, name))) {
            continue;
        }
        const int cols = std::max(0, kernel->GetRecordCols(obj, name));
        const int rows = std::max(0, kernel->GetRecordRows(obj, name));
        colTypes.assign(static_cast<std::size_t>(cols), VT_NONE);
        for (int c = 0; c < cols; ++c) {
            colTypes[static_cast<std::size_t>(c)] = kernel->GetRecordColType(obj, name, c);
        }
        list.PushString(name);
        list.PushInt(rows);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                const int type = colTypes[static_cast<std::size_t>(c)];
                if (type == VT_OBJECT && !includeObjects) {
                    list.PushString("");  // keeps every row c values wide
                } else {
                    PushCell(kernel, obj, name, r, c, type, list);
                }
            }
        }
        ++count;
    }
    list.SetIntAt(countAt, count);
    return 1;
}

int LoadObjectFromList(IKernel* kernel, const ObjectId& obj, const IVarList& list) {
    if (kernel == nullptr) {
        return 0;
    }
    if (!kernel->Exists(obj)) {
        LogFailure(kernel, "Object is not exists!", 673);
        return 0;
    }
    const Reader in(list);
    const std::size_t size = in.Size();

    // The three section counts must sit where the layout puts them before anything
    // is written, so a cut or foreign list leaves the object untouched.
    std::uint64_t props = 0;
    std::uint64_t datas = 0;
    std::uint64_t records = 0;
    if (!in.Count(0, props) || props > (size - 1) / 2) {
        return 0;
    }
    const std::size_t dataAt = 1 + 2 * static_cast<std::size_t>(props);
    if (!in.Count(dataAt, datas) || datas > (size - dataAt - 1) / 3) {
        return 0;
    }
    const std::size_t recordAt = dataAt + 1 + 3 * static_cast<std::size_t>(datas);
    if (!in.Count(recordAt, records)) {
        return 0;
    }

    for (std::size_t i = 0; i < props; ++i) {
        const std::size_t at = 1 + 2 * i;
        const char* name = in.Text(at);
        if (kernel->FindProperty(obj, name)) {
            StoreProperty(kernel, obj, name, in, at + 1);
        } else {
            LogFailure(kernel, std::string("Property ") + name + " can't be found!", 691);
        }
    }

    for (std::size_t i = 0; i < datas; ++i) {
        const std::size_t at = dataAt + 1 + 3 * i;
        StoreData(kernel, obj, in.Text(at + 1), in.Int(at), in, at + 2);
    }

    std::size_t at = recordAt + 1;
    std::vector<int> colTypes;
    for (std::uint64_t i = 0; i < records; ++i) {
        std::uint64_t rows = 0;
        if (!in.Is(at, VT_STRING) || !in.Count(at + 1, rows)) {
            return 0;
        }
        const char* name = in.Text(at);
        const int cols = kernel->FindRecord(obj, name) ? kernel->GetRecordCols(obj, name) : -1;
        if (cols < 0) {
            // Its values cannot be skipped without the column count: stop here.
            LogFailure(kernel, std::string("Record ") + name + " can't be found!", 809);
            return 1;
        }
        const std::size_t first = at + 2;
        const std::uint64_t available = size - first;
        if (cols > 0 && rows > available / static_cast<std::uint64_t>(cols)) {
            return 0;  // the list ends inside this record's values
        }
        const std::size_t values = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
        kernel->ClearRecord(obj, name);
        if (values > 0) {
            colTypes.assign(static_cast<std::size_t>(cols), VT_NONE);
            for (int c = 0; c < cols; ++c) {
                colTypes[static_cast<std::size_t>(c)] = kernel->GetRecordColType(obj, name, c);
            }
            std::size_t v = first;
            for (std::uint64_t r = 0; r < rows; ++r) {
                for (int c = 0; c < cols; ++c, ++v) {
                    StoreCell(kernel, obj, name, static_cast<int>(r), c, colTypes[static_cast<std::size_t>(c)], in, v);
                }
            }
        }
        at = first + values;
    }
    return 1;
}
