#include "CVarList.h"

#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace {

constexpr std::uint32_t kTypeMask = 0x0Fu;
constexpr std::size_t kBytesHeader = sizeof(std::uint64_t);

// A null string from a careless caller is stored as an empty one.
std::size_t StringBlockSize(const char*& value) {
    if (value == nullptr) value = "";
    return std::strlen(value) + 1;
}

std::size_t WideBlockSize(const char16_t*& value) {
    if (value == nullptr) value = u"";
    return (std::char_traits<char16_t>::length(value) + 1) * sizeof(char16_t);
}

}  // namespace

// Delegating to the default constructor makes the object complete before the
// copy starts, so a bad_alloc halfway through still runs the destructor and
// releases the values copied so far.
CVarList::CVarList(const CVarList& other) : CVarList() { PushAll(other); }

CVarList::CVarList(const IVarList& other) : CVarList() { PushAll(other); }

CVarList& CVarList::operator=(const IVarList& other) {
    if (&other == this) return *this;  // a Reset first would lose the source
    Reset();
    PushAll(other);
    return *this;
}

CVarList& CVarList::operator=(const CVarList& other) { return *this = static_cast<const IVarList&>(other); }

// ---- storage ----

// Kept out of line so that the room check inlines into every push.
void CVarList::Grow() {
    const std::uint64_t grown = capacity_ * 2;
    Entry* array = new Entry[grown];
    std::memcpy(array, entries_, count_ * sizeof(Entry));
    ReleaseArray();
    entries_ = array;
    capacity_ = grown;
}

void* CVarList::PlaceOnHeap(const void* data, std::size_t n) {
    void* block = ::operator new(n);
    if (data != nullptr) std::memcpy(block, data, n);
    return block;
}

// The new copy is made before the old block goes, so a failed allocation keeps
// the old value and a source that points into the old value is still intact.
bool CVarList::ReplaceBlock(std::size_t index, int type, const void* data, std::size_t n, std::size_t align) {
    if (index >= count_ || (entries_[index].type & kTypeMask) != static_cast<std::uint32_t>(type)) return false;
    void* block = Place(data, n, align);
    Entry& entry = entries_[index];
    FreeBlock(entry.v.block);
    entry.v.block = block;
    return true;
}

// ---- pushes ----

bool CVarList::PushBytes(const void* data, std::size_t size) {
    if (data == nullptr) size = 0;
    if (size > std::numeric_limits<std::size_t>::max() - kBytesHeader) throw std::bad_alloc();
    EnsureRoom();
    auto* block = static_cast<unsigned char*>(Place(nullptr, size + kBytesHeader));
    const std::uint64_t length = size;
    std::memcpy(block, &length, kBytesHeader);
    if (size != 0) std::memcpy(block + kBytesHeader, data, size);
    Entry* entry = &entries_[count_++];
    entry->type = VT_BYTES;
    entry->v.block = block;
    return true;
}

// Reads the source only through its interface, so any implementation (and this
// list itself) can be the source. Tags are not carried over.
void CVarList::CopyRange(const IVarList& source, std::size_t start, std::size_t count) {
    for (std::size_t i = start; i - start < count; ++i) {
        switch (source.TypeAt(i)) {
            case VT_INT: PushInt(source.IntAt(i)); break;
            case VT_FLOAT: PushFloat(source.FloatAt(i)); break;
            case VT_STRING: PushString(source.StringAt(i)); break;
            case VT_WIDESTR: PushWideString(source.WideStringAt(i)); break;
            case VT_OBJECT: PushObject(source.ObjectAt(i)); break;
            case VT_BYTES: {
                std::size_t size = 0;
                const void* data = source.BytesAt(i, size);
                PushBytes(data, size);
                break;
            }
            case VT_INT64: PushInt64(source.Int64At(i)); break;
            default: break;  // no storable value: skipped
        }
    }
}

bool CVarList::PushAll(const IVarList& other) {
    // The count is read once, so a list given itself appends one copy.
    CopyRange(other, 0, other.Size());
    return true;
}

bool CVarList::PushRange(const IVarList& other, std::size_t start, std::size_t count) {
    const std::size_t size = other.Size();
    // Written as a subtraction so that start + count cannot wrap around.
    if (start >= size || count > size - start) return false;
    CopyRange(other, start, count);
    return true;
}

// ---- whole list ----

void CVarList::Reset() {
    ReleaseValues();
    count_ = 0;
    poolUsed_ = 0;
}

// ---- readers ----

int CVarList::RawTypeAt(std::size_t index) const { return index < count_ ? static_cast<int>(entries_[index].type) : 0; }

int CVarList::TagAt(std::size_t index) const {
    return index < count_ ? static_cast<int>((entries_[index].type >> 4) & 0x0Fu) : 0;
}

const void* CVarList::BytesAt(std::size_t index, std::size_t& size) const {
    size = 0;
    const Entry* entry = EntryOf(index, VT_BYTES);
    if (entry == nullptr) return nullptr;
    const auto* block = static_cast<const unsigned char*>(entry->v.block);
    std::uint64_t length = 0;
    std::memcpy(&length, block, kBytesHeader);
    size = static_cast<std::size_t>(length);
    return block + kBytesHeader;
}

// ---- setters ----

bool CVarList::SetIntAt(std::size_t index, int value) {
    if (index >= count_ || (entries_[index].type & kTypeMask) != VT_INT) return false;
    entries_[index].v.i = value;
    return true;
}

bool CVarList::SetFloatAt(std::size_t index, float value) {
    if (index >= count_ || (entries_[index].type & kTypeMask) != VT_FLOAT) return false;
    entries_[index].v.f = value;
    return true;
}

bool CVarList::SetStringAt(std::size_t index, const char* value) {
    const std::size_t n = StringBlockSize(value);
    return ReplaceBlock(index, VT_STRING, value, n, 1);
}

bool CVarList::SetWideStringAt(std::size_t index, const char16_t* value) {
    const std::size_t n = WideBlockSize(value);
    return ReplaceBlock(index, VT_WIDESTR, value, n, alignof(char16_t));
}

bool CVarList::SetObjectAt(std::size_t index, const ObjectId& value) {
    if (index >= count_ || (entries_[index].type & kTypeMask) != VT_OBJECT) return false;
    std::memcpy(entries_[index].v.block, &value, sizeof(ObjectId));
    return true;
}
