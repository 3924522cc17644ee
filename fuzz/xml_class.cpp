// Class definitions and object data from arbitrary XML text, applied to the
// reference host's kernel. The same bytes are read as a class-definition file
// and then as an object-data file for an object of that class.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "Utility/KernelWrapper.h"
#include "host/HostKernel.h"
#include "host/MemoryPubDataStore.h"

namespace {

std::string g_folder;

void RemoveFolder() {
    std::remove((g_folder + "Class/def.xml").c_str());
    rmdir((g_folder + "Class").c_str());
    rmdir(g_folder.c_str());
}

// A scratch resource folder for the whole run, removed at exit.
const std::string& ResourceDir() {
    if (g_folder.empty()) {
        std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        pattern += "/fuzz_xml_class_XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr || mkdir((pattern + "/Class").c_str(), 0700) != 0) {
            std::abort();
        }
        g_folder = pattern + "/";
        std::atexit(&RemoveFolder);
    }
    return g_folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = ResourceDir() + "Class/def.xml";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        std::abort();
    }
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    MemoryPubDataStore store;
    HostKernel kernel(store, 1);
    kernel.SetResourcePath(ResourceDir());
    const ObjectId scene = kernel.CreateScene(1);
    const int hero = kernel.DefineClass("Hero");
    const int pet = kernel.DefineClass("Pet");
    kernel.AddClassProperty(pet, "Power", VT_INT, true, "");
    kernel.AddClassProperty(pet, "Inner", VT_OBJECT, true, "");
    kernel.AddClassProperty(hero, "Mount", VT_OBJECT, true, "");
    kernel.AddClassRecord(hero, "Bag", 3, 8, true);
    kernel.SetClassRecordColType(hero, "Bag", 0, VT_INT);
    kernel.SetClassRecordColType(hero, "Bag", 1, VT_WIDESTR);
    kernel.SetClassRecordColType(hero, "Bag", 2, VT_OBJECT);

    OnCreateClassFromXml(&kernel, hero, "Class\\def.xml");
    ObjectId obj;
    if (kernel.CreateObject(obj, scene, "Hero", 0)) {
        LoadObjectFromXml(&kernel, obj, "Class\\def.xml");
        QueryPropertyText(&kernel, obj, "Mount");
    }
    return 0;
}
