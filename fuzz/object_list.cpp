// Snapshot lists built from arbitrary bytes, applied to an object of the
// reference host; then the object's own snapshot must load back cleanly.
//
// Each element is one op byte (low 3 bits) and its operand bytes:
//   0 small int (1 byte, signed)   1 int (4 bytes)      2 float (1 byte / 4)
//   3 known name (1 byte index)    4 raw text (length byte + bytes)
//   5 known name as wide text      6 object (1 byte)    7 type code (1 byte % 9)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Utility/CVarList.h"
#include "Utility/ObjectSnapshot.h"
#include "host/HostKernel.h"
#include "host/MemoryPubDataStore.h"

namespace {

const char* const kNames[] = {"Level", "Speed", "Title", "Nick", "Mount", "Bag", "Skills", "Gold", "", "Pet"};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool More() const { return pos_ < size_; }
    std::uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void BuildList(const std::uint8_t* data, std::size_t size, CVarList& list) {
    Bytes in(data, size);
    while (in.More()) {
        switch (in.Next() & 7) {
            case 0: list.PushInt(static_cast<std::int8_t>(in.Next())); break;
            case 1: {
                std::uint32_t v = 0;
                for (int i = 0; i < 4; ++i) {
                    v |= static_cast<std::uint32_t>(in.Next()) << (8 * i);
                }
                int value;
                std::memcpy(&value, &v, sizeof value);
                list.PushInt(value);
                break;
            }
            case 2: list.PushFloat(static_cast<float>(in.Next()) / 4.0f); break;
            case 3: list.PushString(kNames[in.Next() % kNameCount]); break;
            case 4: {
                std::string text;
                for (int n = in.Next() % 16; n > 0; --n) {
                    text.push_back(static_cast<char>(in.Next() | 1));  // no NUL inside
                }
                list.PushString(text.c_str());
                break;
            }
            case 5: {
                const char* name = kNames[in.Next() % kNameCount];
                std::u16string wide(name, name + std::strlen(name));
                list.PushWideString(wide.c_str());
                break;
            }
            case 6: list.PushObject(ObjectId{in.Next(), 1}); break;
            default: list.PushInt(in.Next() % 9); break;
        }
    }
}

// One kernel for the whole run (building one per input costs more than the
// input); each input gets fresh objects, removed again at its end.
struct World {
    MemoryPubDataStore store;
    HostKernel kernel{store, 1};
    ObjectId scene;

    World() {
        scene = kernel.CreateScene(1);
        const int hero = kernel.DefineClass("Hero");
        kernel.AddClassProperty(hero, "Level", VT_INT, true, "");
        kernel.AddClassProperty(hero, "Speed", VT_FLOAT, true, "");
        kernel.AddClassProperty(hero, "Title", VT_STRING, false, "");
        kernel.AddClassProperty(hero, "Nick", VT_WIDESTR, true, "");
        kernel.AddClassProperty(hero, "Mount", VT_OBJECT, true, "");
        kernel.AddClassRecord(hero, "Bag", 3, 6, true);
        kernel.SetClassRecordColType(hero, "Bag", 0, VT_INT);
        kernel.SetClassRecordColType(hero, "Bag", 1, VT_WIDESTR);
        kernel.SetClassRecordColType(hero, "Bag", 2, VT_OBJECT);
        kernel.AddClassRecord(hero, "Skills", 2, 4, false);
        kernel.SetClassRecordColType(hero, "Skills", 0, VT_STRING);
        kernel.SetClassRecordColType(hero, "Skills", 1, VT_FLOAT);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    HostKernel& kernel = world.kernel;
    ObjectId target;
    ObjectId copy;
    if (!kernel.CreateObject(target, world.scene, "Hero", 0) || !kernel.CreateObject(copy, world.scene, "Hero", 0)) {
        std::abort();
    }
    CVarList list;
    BuildList(data, size, list);
    LoadObjectFromList(&kernel, target, list);

    CVarList snapshot;
    if (SaveObjectToList(&kernel, target, snapshot, true, true) != 1 ||
        LoadObjectFromList(&kernel, copy, snapshot) != 1) {
        std::abort();  // an object's own snapshot must always load
    }
    kernel.DestroyObject(target);
    kernel.DestroyObject(copy);
    kernel.ClearLogs();
    kernel.Diagnostics().Clear();
    return 0;
}
