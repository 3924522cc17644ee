// The kernel the library is given: every operation goes to the host's kernel.
// Callbacks reach the host as trampolines, siblings come back forwarded, and
// every list crosses forwarded (see ForwardedList.h).
#include "Bridge.h"
#include "ForwardedList.h"

namespace {

class ForwardedKernel final : public IKernel {
public:
    explicit ForwardedKernel(IKernel* host) : host_(host) {}
    IKernel* Host() const { return host_; }

    // --- what the library hands over to keep: callbacks, lists, siblings ---
    bool DeclareHeartBeat(const char* name, HeartBeatCallback func) override {
        return host_->DeclareHeartBeat(name, Trampoline(func, Bridge::HostHeartBeat(func)));
    }
    IModule* GetLogicModule(const char* name) override {
        IModule* sibling = host_->GetLogicModule(name);
        return sibling != nullptr ? Bridge::LibrarySibling(sibling, name) : nullptr;
    }
    bool AddEventCallback(const char* className, const char* event, EventCallback func, int priority) override {
        return host_->AddEventCallback(className, event, Trampoline(func, Bridge::HostEventCallback(func)), priority);
    }
    bool AddCommandCallback(const char* className, int command, CommandCallback func, int priority) override {
        return host_->AddCommandCallback(className, command, Trampoline(func, Bridge::HostEventCallback(func)),
                                         priority);
    }
    bool AddCustomCallback(int message, CustomCallback func, int priority) override {
        return host_->AddCustomCallback(message, Trampoline(func, Bridge::HostEventCallback(func)), priority);
    }
    bool GetPropertyList(const ObjectId& obj, IVarList& out) override {
        ForwardedList list(out);
        return host_->GetPropertyList(obj, list);
    }
    bool GetRecordList(const ObjectId& obj, IVarList& out) override {
        ForwardedList list(out);
        return host_->GetRecordList(obj, list);
    }
    bool GetDataList(const ObjectId& obj, IVarList& out) override {
        ForwardedList list(out);
        return host_->GetDataList(obj, list);
    }
    bool SendCustomMessage(const ObjectId& sender, const ObjectId& receiver, const IVarList& msg) override {
        const ForwardedList list(msg);
        return host_->SendCustomMessage(sender, receiver, list);
    }
    bool CommandToScene(int sceneId, const IVarList& msg) override {
        const ForwardedList list(msg);
        return host_->CommandToScene(sceneId, list);
    }
    bool CommandToAllScenes(const IVarList& msg) override {
        const ForwardedList list(msg);
        return host_->CommandToAllScenes(list);
    }
    int AddPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) override {
        const ForwardedList list(values);
        return host_->AddPubRecordRowValue(index, rec, row, list);
    }
    bool SetPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) override {
        const ForwardedList list(values);
        return host_->SetPubRecordRowValue(index, rec, row, list);
    }

    // --- everything else passes straight through, in slot order ---
    void WriteLog(const char* text) override { return host_->WriteLog(text); }
    void WriteTrace(const char* text) override { return host_->WriteTrace(text); }
    bool SplitDate(double date, int& year, int& month, int& day) override {
        return host_->SplitDate(date, year, month, day);
    }
    bool SplitTime(double time, int& hour, int& minute, int& second) override {
        return host_->SplitTime(time, hour, minute, second);
    }
    bool GetCurrentDateTime(double& date, double& time) override { return host_->GetCurrentDateTime(date, time); }
    ObjectId GetScene() override { return host_->GetScene(); }
    int GetSceneIdOf(const ObjectId& scene) override { return host_->GetSceneIdOf(scene); }
    int GetSceneCount() override { return host_->GetSceneCount(); }
    bool IsSceneExist(int sceneId) override { return host_->IsSceneExist(sceneId); }
    bool CreateObject(ObjectId& out, const ObjectId& container, const char* configId, int flags) override {
        return host_->CreateObject(out, container, configId, flags);
    }
    const char* GetResourcePath() override { return host_->GetResourcePath(); }
    bool AddClassProperty(int classIndex, const char* name, int type, bool save, const char* description) override {
        return host_->AddClassProperty(classIndex, name, type, save, description);
    }
    bool AddClassPropertyEx(int classIndex, const char* name, int type, const char* extra, bool isPublic,
                            bool isPrivate, bool save, const char* description) override {
        return host_->AddClassPropertyEx(classIndex, name, type, extra, isPublic, isPrivate, save, description);
    }
    bool FindProperty(const ObjectId& obj, const char* name) override { return host_->FindProperty(obj, name); }
    int GetPropertyType(const ObjectId& obj, const char* name) override { return host_->GetPropertyType(obj, name); }
    bool TestPropertyFlag(const ObjectId& obj, const char* name) override { return host_->TestPropertyFlag(obj, name); }
    bool SetInt(const ObjectId& obj, const char* name, int value) override { return host_->SetInt(obj, name, value); }
    bool SetFloat(const ObjectId& obj, const char* name, float value) override {
        return host_->SetFloat(obj, name, value);
    }
    bool SetString(const ObjectId& obj, const char* name, const char* value) override {
        return host_->SetString(obj, name, value);
    }
    bool SetWideStr(const ObjectId& obj, const char* name, const char16_t* value) override {
        return host_->SetWideStr(obj, name, value);
    }
    bool SetObject(const ObjectId& obj, const char* name, const ObjectId& value) override {
        return host_->SetObject(obj, name, value);
    }
    int QueryInt(const ObjectId& obj, const char* name) override { return host_->QueryInt(obj, name); }
    float QueryFloat(const ObjectId& obj, const char* name) override { return host_->QueryFloat(obj, name); }
    const char* QueryString(const ObjectId& obj, const char* name) override { return host_->QueryString(obj, name); }
    const char16_t* QueryWideStr(const ObjectId& obj, const char* name) override {
        return host_->QueryWideStr(obj, name);
    }
    ObjectId QueryObject(const ObjectId& obj, const char* name) override { return host_->QueryObject(obj, name); }
    bool AddClassRecord(int classIndex, const char* name, int cols, int maxRows, bool save) override {
        return host_->AddClassRecord(classIndex, name, cols, maxRows, save);
    }
    bool SetClassRecordColType(int classIndex, const char* name, int col, int type) override {
        return host_->SetClassRecordColType(classIndex, name, col, type);
    }
    bool SetClassRecordVisible(int classIndex, const char* name, const char* visibleName) override {
        return host_->SetClassRecordVisible(classIndex, name, visibleName);
    }
    bool FindRecord(const ObjectId& obj, const char* rec) override { return host_->FindRecord(obj, rec); }
    bool TestRecordFlag(const ObjectId& obj, const char* rec) override { return host_->TestRecordFlag(obj, rec); }
    int GetRecordCols(const ObjectId& obj, const char* rec) override { return host_->GetRecordCols(obj, rec); }
    int GetRecordRows(const ObjectId& obj, const char* rec) override { return host_->GetRecordRows(obj, rec); }
    int GetRecordColType(const ObjectId& obj, const char* rec, int col) override {
        return host_->GetRecordColType(obj, rec, col);
    }
    int AddRecordRow(const ObjectId& obj, const char* rec, int row) override {
        return host_->AddRecordRow(obj, rec, row);
    }
    bool ClearRecord(const ObjectId& obj, const char* rec) override { return host_->ClearRecord(obj, rec); }
    bool SetRecordInt(const ObjectId& obj, const char* rec, int row, int col, int value) override {
        return host_->SetRecordInt(obj, rec, row, col, value);
    }
    bool SetRecordFloat(const ObjectId& obj, const char* rec, int row, int col, float value) override {
        return host_->SetRecordFloat(obj, rec, row, col, value);
    }
    bool SetRecordString(const ObjectId& obj, const char* rec, int row, int col, const char* value) override {
        return host_->SetRecordString(obj, rec, row, col, value);
    }
    bool SetRecordWideStr(const ObjectId& obj, const char* rec, int row, int col, const char16_t* value) override {
        return host_->SetRecordWideStr(obj, rec, row, col, value);
    }
    bool SetRecordObject(const ObjectId& obj, const char* rec, int row, int col, const ObjectId& value) override {
        return host_->SetRecordObject(obj, rec, row, col, value);
    }
    int QueryRecordInt(const ObjectId& obj, const char* rec, int row, int col) override {
        return host_->QueryRecordInt(obj, rec, row, col);
    }
    float QueryRecordFloat(const ObjectId& obj, const char* rec, int row, int col) override {
        return host_->QueryRecordFloat(obj, rec, row, col);
    }
    const char* QueryRecordString(const ObjectId& obj, const char* rec, int row, int col) override {
        return host_->QueryRecordString(obj, rec, row, col);
    }
    const char16_t* QueryRecordWideStr(const ObjectId& obj, const char* rec, int row, int col) override {
        return host_->QueryRecordWideStr(obj, rec, row, col);
    }
    ObjectId QueryRecordObject(const ObjectId& obj, const char* rec, int row, int col) override {
        return host_->QueryRecordObject(obj, rec, row, col);
    }
    bool FindData(const ObjectId& obj, const char* name) override { return host_->FindData(obj, name); }
    bool AddData(const ObjectId& obj, const char* name, int type) override { return host_->AddData(obj, name, type); }
    int GetDataType(const ObjectId& obj, const char* name) override { return host_->GetDataType(obj, name); }
    bool SetDataInt(const ObjectId& obj, const char* name, int value) override {
        return host_->SetDataInt(obj, name, value);
    }
    bool SetDataFloat(const ObjectId& obj, const char* name, float value) override {
        return host_->SetDataFloat(obj, name, value);
    }
    bool SetDataString(const ObjectId& obj, const char* name, const char* value) override {
        return host_->SetDataString(obj, name, value);
    }
    bool SetDataWideStr(const ObjectId& obj, const char* name, const char16_t* value) override {
        return host_->SetDataWideStr(obj, name, value);
    }
    bool SetDataObject(const ObjectId& obj, const char* name, const ObjectId& value) override {
        return host_->SetDataObject(obj, name, value);
    }
    int QueryDataInt(const ObjectId& obj, const char* name) override { return host_->QueryDataInt(obj, name); }
    float QueryDataFloat(const ObjectId& obj, const char* name) override { return host_->QueryDataFloat(obj, name); }
    const char* QueryDataString(const ObjectId& obj, const char* name) override {
        return host_->QueryDataString(obj, name);
    }
    const char16_t* QueryDataWideStr(const ObjectId& obj, const char* name) override {
        return host_->QueryDataWideStr(obj, name);
    }
    ObjectId QueryDataObject(const ObjectId& obj, const char* name) override {
        return host_->QueryDataObject(obj, name);
    }
    bool CreateObjectFromText(ObjectId& out, const ObjectId& container, const char* text) override {
        return host_->CreateObjectFromText(out, container, text);
    }
    bool DestroyObject(const ObjectId& obj) override { return host_->DestroyObject(obj); }
    const char* GetConfigName(const ObjectId& obj) override { return host_->GetConfigName(obj); }
    ObjectId GetSceneOf(const ObjectId& obj) override { return host_->GetSceneOf(obj); }
    bool Exists(const ObjectId& obj) override { return host_->Exists(obj); }
    bool AddHeartBeat(const ObjectId& obj, const char* name, int intervalMs) override {
        return host_->AddHeartBeat(obj, name, intervalMs);
    }
    bool FindHeartBeat(const ObjectId& obj, const char* name) override { return host_->FindHeartBeat(obj, name); }
    int GetPubDataIndex(const char16_t* name) override { return host_->GetPubDataIndex(name); }
    bool FindPubData(const char16_t* name) override { return host_->FindPubData(name); }
    bool AddPubData(const char16_t* name, int flag) override { return host_->AddPubData(name, flag); }
    bool FindPubProperty(int index, const char* name) override { return host_->FindPubProperty(index, name); }
    bool AddPubProperty(int index, const char* name, int type) override {
        return host_->AddPubProperty(index, name, type);
    }
    bool SetPubPropertySave(int index, const char* name, bool save) override {
        return host_->SetPubPropertySave(index, name, save);
    }
    bool SetPubPropertyInt(int index, const char* name, int value) override {
        return host_->SetPubPropertyInt(index, name, value);
    }
    bool CompareSetPubPropertyInt(int index, const char* name, int expected, int desired) override {
        return host_->CompareSetPubPropertyInt(index, name, expected, desired);
    }
    bool FindPubRecord(int index, const char* rec) override { return host_->FindPubRecord(index, rec); }
    bool AddPubRecord(int index, const char* rec, int maxRows, int cols) override {
        return host_->AddPubRecord(index, rec, maxRows, cols);
    }
    bool RemovePubRecord(int index, const char* rec) override { return host_->RemovePubRecord(index, rec); }
    bool SetPubRecordSave(int index, const char* rec, bool save) override {
        return host_->SetPubRecordSave(index, rec, save);
    }
    bool SetPubRecordColType(int index, const char* rec, int col, int type) override {
        return host_->SetPubRecordColType(index, rec, col, type);
    }
    int GetPubRecordColType(int index, const char* rec, int col) override {
        return host_->GetPubRecordColType(index, rec, col);
    }
    int GetPubRecordMax(int index, const char* rec) override { return host_->GetPubRecordMax(index, rec); }
    int GetPubRecordRows(int index, const char* rec) override { return host_->GetPubRecordRows(index, rec); }
    int GetPubRecordCols(int index, const char* rec) override { return host_->GetPubRecordCols(index, rec); }
    bool InsertPubRecordRow(int index, const char* rec, int row) override {
        return host_->InsertPubRecordRow(index, rec, row);
    }
    bool RemovePubRecordRow(int index, const char* rec, int row) override {
        return host_->RemovePubRecordRow(index, rec, row);
    }
    bool ClearPubRecord(int index, const char* rec) override { return host_->ClearPubRecord(index, rec); }
    int FindPubRecordWideStr(int index, const char* rec, int col, const char16_t* value) override {
        return host_->FindPubRecordWideStr(index, rec, col, value);
    }
    bool SetPubRecordInt(int index, const char* rec, int row, int col, int value) override {
        return host_->SetPubRecordInt(index, rec, row, col, value);
    }
    bool SetPubRecordFloat(int index, const char* rec, int row, int col, float value) override {
        return host_->SetPubRecordFloat(index, rec, row, col, value);
    }
    bool SetPubRecordString(int index, const char* rec, int row, int col, const char* value) override {
        return host_->SetPubRecordString(index, rec, row, col, value);
    }
    bool SetPubRecordWideStr(int index, const char* rec, int row, int col, const char16_t* value) override {
        return host_->SetPubRecordWideStr(index, rec, row, col, value);
    }
    int QueryPubRecordInt(int index, const char* rec, int row, int col) override {
        return host_->QueryPubRecordInt(index, rec, row, col);
    }
    float QueryPubRecordFloat(int index, const char* rec, int row, int col) override {
        return host_->QueryPubRecordFloat(index, rec, row, col);
    }
    const char* QueryPubRecordString(int index, const char* rec, int row, int col) override {
        return host_->QueryPubRecordString(index, rec, row, col);
    }
    const char16_t* QueryPubRecordWideStr(int index, const char* rec, int row, int col) override {
        return host_->QueryPubRecordWideStr(index, rec, row, col);
    }
    ObjectId QueryPubRecordObject(int index, const char* rec, int row, int col) override {
        return host_->QueryPubRecordObject(index, rec, row, col);
    }
    ObjectId FindPlayer(const char16_t* name) override { return host_->FindPlayer(name); }
    bool FindPubDataRecord(const char16_t* space, const char* rec) override {
        return host_->FindPubDataRecord(space, rec);
    }
    int GetPubDataRecordRows(const char16_t* space, const char* rec) override {
        return host_->GetPubDataRecordRows(space, rec);
    }
    int QueryPubDataRecordInt(const char16_t* space, const char* rec, int row, int col) override {
        return host_->QueryPubDataRecordInt(space, rec, row, col);
    }
    const char16_t* QueryPubDataRecordWideStr(const char16_t* space, const char* rec, int row, int col) override {
        return host_->QueryPubDataRecordWideStr(space, rec, row, col);
    }
    bool AddClassPropertySaveMode(int classIndex, const char* name, int type, int saveMode,
                                  const char* description) override {
        return host_->AddClassPropertySaveMode(classIndex, name, type, saveMode, description);
    }
    bool AddClassPropertyExSaveMode(int classIndex, const char* name, int type, const char* extra, bool isPublic,
                                    bool isPrivate, int saveMode, const char* description) override {
        return host_->AddClassPropertyExSaveMode(classIndex, name, type, extra, isPublic, isPrivate, saveMode,
                                                 description);
    }
    bool AddClassRecordSaveMode(int classIndex, const char* name, int cols, int maxRows, int saveMode) override {
        return host_->AddClassRecordSaveMode(classIndex, name, cols, maxRows, saveMode);
    }

private:
    // The trampoline for func; when none is left the host is told so and gets
    // null, which it refuses like any null callback.
    template <class Func>
    Func Trampoline(Func func, Func trampoline) {
        if (func != nullptr && trampoline == nullptr) host_->WriteTrace(Bridge::kNoTrampolineLeft);
        return trampoline;
    }

    IKernel* host_;
};

// The kernels made so far: few (one per server), so a plain list.
struct KernelLink {
    ForwardedKernel* kernel;
    KernelLink* next;
};
KernelLink* g_kernels = nullptr;

}  // namespace

IKernel* Bridge::LibraryKernel(IKernel* hostKernel) {
    if (hostKernel == nullptr) return nullptr;
    for (KernelLink* link = g_kernels; link != nullptr; link = link->next)
        if (link->kernel->Host() == hostKernel) return link->kernel;
    g_kernels = new KernelLink{new ForwardedKernel(hostKernel), g_kernels};
    return g_kernels->kernel;
}

IKernel* Bridge::HostKernel(IKernel* libraryKernel) {
    for (KernelLink* link = g_kernels; link != nullptr; link = link->next)
        if (link->kernel == libraryKernel) return link->kernel->Host();
    return libraryKernel;
}

void Bridge::ForgetKernels() { g_kernels = nullptr; }
