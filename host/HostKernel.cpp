// The IKernel operations: each is counted, passes the text and halt checks, and
// goes to the part that owns its concern.
#include "HostKernel.h"

#include "HostKernelImpl.h"

HostKernel::HostKernel(PubDataStore& store, int serverNumber)
    : impl_(std::make_unique<Impl>(*this, store, serverNumber)) {
    DefineClass("BaseScene");
    DefineClass("HomeScene", "BaseScene");
    DefineClass("player");
    DefineClass("item");
}

HostKernel::~HostKernel() = default;

// ---------------------------------------------------------------- callbacks, siblings, logs, clock

bool HostKernel::DeclareHeartBeat(const char* name, HeartBeatCallback func) {
    return impl_->Serve(false, [&] { return impl_->timers.Declare(View(name), func); });
}
IModule* HostKernel::GetLogicModule(const char* name) {
    return impl_->Serve(static_cast<IModule*>(nullptr), [&] {
        auto it = impl_->siblings.find(View(name));
        return it == impl_->siblings.end() ? nullptr : it->second;
    });
}
bool HostKernel::AddEventCallback(const char* className, const char* event, EventCallback func, int priority) {
    return impl_->Serve(false, [&] { return impl_->dispatch.AddEvent(View(className), View(event), func, priority); });
}
bool HostKernel::AddCommandCallback(const char* className, int command, CommandCallback func, int priority) {
    return impl_->Serve(false, [&] { return impl_->dispatch.AddCommand(View(className), command, func, priority); });
}
bool HostKernel::AddCustomCallback(int message, CustomCallback func, int priority) {
    return impl_->Serve(false, [&] { return impl_->dispatch.AddCustom(message, func, priority); });
}
void HostKernel::WriteLog(const char* text) {
    impl_->Serve([&] { impl_->logs.Log(View(text)); });
}
void HostKernel::WriteTrace(const char* text) {
    impl_->Serve([&] { impl_->logs.Trace(View(text)); });
}
bool HostKernel::SplitDate(double date, int& year, int& month, int& day) {
    return impl_->Serve(false, [&] { return HostClock::SplitDate(date, year, month, day); });
}
bool HostKernel::SplitTime(double time, int& hour, int& minute, int& second) {
    return impl_->Serve(false, [&] { return HostClock::SplitTime(time, hour, minute, second); });
}
bool HostKernel::GetCurrentDateTime(double& date, double& time) {
    return impl_->Serve(false, [&] {
        const std::int64_t now = impl_->timers.Clock().NowMs();
        date = HostClock::DateValueOf(now);
        time = HostClock::TimeValueOf(now);
        return true;
    });
}

// ---------------------------------------------------------------- scenes and objects

ObjectId HostKernel::GetScene() {
    return impl_->Serve(ObjectId{}, [&] { return impl_->dispatch.CurrentScene(); });
}
int HostKernel::GetSceneIdOf(const ObjectId& scene) {
    return impl_->Serve(0, [&] {
        const HostObject* o = impl_->objects.Find(scene);
        return o != nullptr && o->isScene ? o->sceneId : 0;
    });
}
int HostKernel::GetSceneCount() {
    return impl_->Serve(0, [&] { return impl_->objects.HighestSceneId(); });
}
bool HostKernel::IsSceneExist(int sceneId) {
    return impl_->Serve(false, [&] { return impl_->objects.SceneExists(sceneId); });
}
bool HostKernel::CreateObject(ObjectId& out, const ObjectId& container, const char* configId, int /*flags*/) {
    out = ObjectId{};
    return impl_->Serve(false, [&] {
        out = impl_->objects.Create(container, View(configId));
        return !out.IsNull();
    });
}
const char* HostKernel::GetResourcePath() {
    return impl_->Serve("", [&] { return impl_->text.Hand(impl_->resourcePath); });
}
bool HostKernel::CreateObjectFromText(ObjectId& out, const ObjectId& container, const char* text) {
    return CreateObject(out, container, text, 0);
}
bool HostKernel::DestroyObject(const ObjectId& obj) {
    return impl_->Serve(false, [&] { return impl_->Destroy(obj); });
}
const char* HostKernel::GetConfigName(const ObjectId& obj) {
    return impl_->Serve("", [&] {
        const HostObject* o = impl_->objects.Find(obj);
        return o != nullptr ? impl_->text.Hand(o->config) : "";
    });
}
ObjectId HostKernel::GetSceneOf(const ObjectId& obj) {
    return impl_->Serve(ObjectId{}, [&] {
        const HostObject* o = impl_->objects.Find(obj);
        return o != nullptr ? impl_->objects.SceneOf(*o) : ObjectId{};
    });
}
bool HostKernel::Exists(const ObjectId& obj) {
    return impl_->Serve(false, [&] { return impl_->objects.Find(obj) != nullptr; });
}

// ---------------------------------------------------------------- class definitions

bool HostKernel::AddClassProperty(int classIndex, const char* name, int type, bool save, const char* /*description*/) {
    return impl_->Serve(false, [&] {
        ClassPropertyInfo info;
        info.type = type;
        info.save = save;
        return impl_->classes.AddProperty(classIndex, View(name), info);
    });
}
bool HostKernel::AddClassPropertyEx(int classIndex, const char* name, int type, const char* /*extra*/, bool isPublic,
                                    bool isPrivate, bool save, const char* /*description*/) {
    return impl_->Serve(false, [&] {
        ClassPropertyInfo info{type, save, isPublic, isPrivate, 0};
        return impl_->classes.AddProperty(classIndex, View(name), info);
    });
}
bool HostKernel::AddClassPropertySaveMode(int classIndex, const char* name, int type, int saveMode,
                                          const char* /*description*/) {
    return impl_->Serve(false, [&] {
        ClassPropertyInfo info{type, saveMode != 0, false, false, saveMode};
        return impl_->classes.AddProperty(classIndex, View(name), info);
    });
}
bool HostKernel::AddClassPropertyExSaveMode(int classIndex, const char* name, int type, const char* /*extra*/,
                                            bool isPublic, bool isPrivate, int saveMode, const char* /*description*/) {
    return impl_->Serve(false, [&] {
        ClassPropertyInfo info{type, saveMode != 0, isPublic, isPrivate, saveMode};
        return impl_->classes.AddProperty(classIndex, View(name), info);
    });
}
bool HostKernel::AddClassRecord(int classIndex, const char* name, int cols, int maxRows, bool save) {
    return impl_->Serve(
        false, [&] { return impl_->classes.AddRecord(classIndex, View(name), cols, maxRows, save, save ? 1 : 0); });
}
bool HostKernel::AddClassRecordSaveMode(int classIndex, const char* name, int cols, int maxRows, int saveMode) {
    return impl_->Serve(false, [&] {
        return impl_->classes.AddRecord(classIndex, View(name), cols, maxRows, saveMode != 0, saveMode);
    });
}
bool HostKernel::SetClassRecordColType(int classIndex, const char* name, int col, int type) {
    return impl_->Serve(false, [&] {
        ClassRecordInfo* info = impl_->classes.Record(classIndex, View(name));
        if (info == nullptr || col < 0 || col >= info->cols || !IsStorableType(type)) return false;
        info->colTypes[static_cast<std::size_t>(col)] = type;
        return true;
    });
}
bool HostKernel::SetClassRecordVisible(int classIndex, const char* name, const char* visibleName) {
    return impl_->Serve(false, [&] {
        ClassRecordInfo* info = impl_->classes.Record(classIndex, View(name));
        if (info == nullptr) return false;
        info->visibleName = View(visibleName);
        return true;
    });
}

// ---------------------------------------------------------------- properties and named data

bool HostKernel::FindProperty(const ObjectId& obj, const char* name) {
    return impl_->Serve(false, [&] { return impl_->objects.PropertySlot(obj, View(name)) != nullptr; });
}
int HostKernel::GetPropertyType(const ObjectId& obj, const char* name) {
    return impl_->Serve(static_cast<int>(VT_NONE), [&] {
        const HostSlot* slot = impl_->objects.PropertySlot(obj, View(name));
        return slot != nullptr ? slot->type : static_cast<int>(VT_NONE);
    });
}
bool HostKernel::TestPropertyFlag(const ObjectId& obj, const char* name) {
    return impl_->Serve(false, [&] {
        const HostSlot* slot = impl_->objects.PropertySlot(obj, View(name));
        return slot != nullptr && slot->save;
    });
}
bool HostKernel::GetPropertyList(const ObjectId& obj, IVarList& out) {
    return impl_->Serve(false, [&] {
        const HostObject* o = impl_->objects.Find(obj);
        if (o == nullptr) return false;
        for (const char* name : o->propOrder) out.PushString(name);
        return true;
    });
}
bool HostKernel::SetInt(const ObjectId& obj, const char* name, int value) {
    return impl_->Serve(false, [&] { return impl_->AssignProperty(obj, View(name), VT_INT, value); });
}
bool HostKernel::SetFloat(const ObjectId& obj, const char* name, float value) {
    return impl_->Serve(false, [&] { return impl_->AssignProperty(obj, View(name), VT_FLOAT, value); });
}
bool HostKernel::SetString(const ObjectId& obj, const char* name, const char* value) {
    return impl_->Serve(false,
                        [&] { return impl_->AssignProperty(obj, View(name), VT_STRING, std::string(View(value))); });
}
bool HostKernel::SetWideStr(const ObjectId& obj, const char* name, const char16_t* value) {
    return impl_->Serve(
        false, [&] { return impl_->AssignProperty(obj, View(name), VT_WIDESTR, std::u16string(View(value))); });
}
bool HostKernel::SetObject(const ObjectId& obj, const char* name, const ObjectId& value) {
    return impl_->Serve(false, [&] { return impl_->AssignProperty(obj, View(name), VT_OBJECT, value); });
}
int HostKernel::QueryInt(const ObjectId& obj, const char* name) {
    return impl_->Serve(0, [&] { return IntOf(impl_->objects.PropertyValue(obj, View(name))); });
}
float HostKernel::QueryFloat(const ObjectId& obj, const char* name) {
    return impl_->Serve(0.0f, [&] { return FloatOf(impl_->objects.PropertyValue(obj, View(name))); });
}
const char* HostKernel::QueryString(const ObjectId& obj, const char* name) {
    return impl_->Serve("", [&] { return impl_->Text(StringOf(impl_->objects.PropertyValue(obj, View(name)))); });
}
const char16_t* HostKernel::QueryWideStr(const ObjectId& obj, const char* name) {
    return impl_->Serve(u"", [&] { return impl_->Text(WideOf(impl_->objects.PropertyValue(obj, View(name)))); });
}
ObjectId HostKernel::QueryObject(const ObjectId& obj, const char* name) {
    return impl_->Serve(ObjectId{}, [&] { return ObjectOf(impl_->objects.PropertyValue(obj, View(name))); });
}

bool HostKernel::FindData(const ObjectId& obj, const char* name) {
    return impl_->Serve(false, [&] { return impl_->objects.DataSlot(obj, View(name)) != nullptr; });
}
bool HostKernel::GetDataList(const ObjectId& obj, IVarList& out) {
    return impl_->Serve(false, [&] {
        const HostObject* o = impl_->objects.Find(obj);
        if (o == nullptr) return false;
        for (const char* name : o->dataOrder) out.PushString(name);
        return true;
    });
}
bool HostKernel::AddData(const ObjectId& obj, const char* name, int type) {
    return impl_->Serve(false, [&] { return impl_->objects.AddData(obj, View(name), type); });
}
int HostKernel::GetDataType(const ObjectId& obj, const char* name) {
    return impl_->Serve(static_cast<int>(VT_NONE), [&] {
        const HostSlot* slot = impl_->objects.DataSlot(obj, View(name));
        return slot != nullptr ? slot->type : static_cast<int>(VT_NONE);
    });
}
bool HostKernel::SetDataInt(const ObjectId& obj, const char* name, int value) {
    return impl_->Serve(false, [&] { return impl_->objects.AssignData(obj, View(name), VT_INT, value); });
}
bool HostKernel::SetDataFloat(const ObjectId& obj, const char* name, float value) {
    return impl_->Serve(false, [&] { return impl_->objects.AssignData(obj, View(name), VT_FLOAT, value); });
}
bool HostKernel::SetDataString(const ObjectId& obj, const char* name, const char* value) {
    return impl_->Serve(
        false, [&] { return impl_->objects.AssignData(obj, View(name), VT_STRING, std::string(View(value))); });
}
bool HostKernel::SetDataWideStr(const ObjectId& obj, const char* name, const char16_t* value) {
    return impl_->Serve(
        false, [&] { return impl_->objects.AssignData(obj, View(name), VT_WIDESTR, std::u16string(View(value))); });
}
bool HostKernel::SetDataObject(const ObjectId& obj, const char* name, const ObjectId& value) {
    return impl_->Serve(false, [&] { return impl_->objects.AssignData(obj, View(name), VT_OBJECT, value); });
}
int HostKernel::QueryDataInt(const ObjectId& obj, const char* name) {
    return impl_->Serve(0, [&] { return IntOf(impl_->objects.DataValue(obj, View(name))); });
}
float HostKernel::QueryDataFloat(const ObjectId& obj, const char* name) {
    return impl_->Serve(0.0f, [&] { return FloatOf(impl_->objects.DataValue(obj, View(name))); });
}
const char* HostKernel::QueryDataString(const ObjectId& obj, const char* name) {
    return impl_->Serve("", [&] { return impl_->Text(StringOf(impl_->objects.DataValue(obj, View(name)))); });
}
const char16_t* HostKernel::QueryDataWideStr(const ObjectId& obj, const char* name) {
    return impl_->Serve(u"", [&] { return impl_->Text(WideOf(impl_->objects.DataValue(obj, View(name)))); });
}
ObjectId HostKernel::QueryDataObject(const ObjectId& obj, const char* name) {
    return impl_->Serve(ObjectId{}, [&] { return ObjectOf(impl_->objects.DataValue(obj, View(name))); });
}

// ---------------------------------------------------------------- object records

bool HostKernel::FindRecord(const ObjectId& obj, const char* rec) {
    return impl_->Serve(false, [&] { return impl_->objects.Record(obj, View(rec), "FindRecord", false) != nullptr; });
}
bool HostKernel::GetRecordList(const ObjectId& obj, IVarList& out) {
    return impl_->Serve(false, [&] {
        const HostObject* o = impl_->objects.Find(obj);
        if (o == nullptr) return false;
        for (const char* name : o->recordOrder) out.PushString(name);
        return true;
    });
}
bool HostKernel::TestRecordFlag(const ObjectId& obj, const char* rec) {
    return impl_->Serve(false, [&] {
        const TypedTable* t = impl_->objects.Record(obj, View(rec), "TestRecordFlag", false);
        return t != nullptr && t->Save();
    });
}
int HostKernel::GetRecordCols(const ObjectId& obj, const char* rec) {
    return impl_->Serve(-1, [&] {
        const TypedTable* t = impl_->objects.Record(obj, View(rec), "GetRecordCols", false);
        return t != nullptr ? t->Cols() : -1;
    });
}
int HostKernel::GetRecordRows(const ObjectId& obj, const char* rec) {
    return impl_->Serve(-1, [&] {
        const TypedTable* t = impl_->objects.Record(obj, View(rec), "GetRecordRows", false);
        return t != nullptr ? t->Rows() : -1;
    });
}
int HostKernel::GetRecordColType(const ObjectId& obj, const char* rec, int col) {
    return impl_->Serve(static_cast<int>(VT_NONE), [&] {
        const TypedTable* t = impl_->objects.Record(obj, View(rec), "GetRecordColType", false);
        return t != nullptr ? t->ColType(col) : static_cast<int>(VT_NONE);
    });
}
int HostKernel::AddRecordRow(const ObjectId& obj, const char* rec, int row) {
    return impl_->Serve(-1, [&] { return impl_->objects.AddRecordRow(obj, View(rec), row); });
}
bool HostKernel::ClearRecord(const ObjectId& obj, const char* rec) {
    return impl_->Serve(false, [&] {
        TypedTable* t = impl_->objects.Record(obj, View(rec), "ClearRecord", true);
        if (t != nullptr) t->Clear();
        return t != nullptr;
    });
}
bool HostKernel::SetRecordInt(const ObjectId& obj, const char* rec, int row, int col, int value) {
    return impl_->Serve(false, [&] {
        HostValue* cell = impl_->objects.Cell(obj, View(rec), row, col, VT_INT, true, "SetRecordInt");
        if (cell != nullptr) AssignInt(*cell, value);
        return cell != nullptr;
    });
}
bool HostKernel::SetRecordFloat(const ObjectId& obj, const char* rec, int row, int col, float value) {
    return impl_->Serve(false, [&] {
        HostValue* cell = impl_->objects.Cell(obj, View(rec), row, col, VT_FLOAT, true, "SetRecordFloat");
        if (cell != nullptr) *cell = value;
        return cell != nullptr;
    });
}
bool HostKernel::SetRecordString(const ObjectId& obj, const char* rec, int row, int col, const char* value) {
    return impl_->Serve(false, [&] {
        HostValue* cell = impl_->objects.Cell(obj, View(rec), row, col, VT_STRING, true, "SetRecordString");
        if (cell != nullptr) *cell = std::string(View(value));
        return cell != nullptr;
    });
}
bool HostKernel::SetRecordWideStr(const ObjectId& obj, const char* rec, int row, int col, const char16_t* value) {
    return impl_->Serve(false, [&] {
        HostValue* cell = impl_->objects.Cell(obj, View(rec), row, col, VT_WIDESTR, true, "SetRecordWideStr");
        if (cell != nullptr) *cell = std::u16string(View(value));
        return cell != nullptr;
    });
}
bool HostKernel::SetRecordObject(const ObjectId& obj, const char* rec, int row, int col, const ObjectId& value) {
    return impl_->Serve(false, [&] {
        HostValue* cell = impl_->objects.Cell(obj, View(rec), row, col, VT_OBJECT, true, "SetRecordObject");
        if (cell != nullptr) *cell = value;
        return cell != nullptr;
    });
}
int HostKernel::QueryRecordInt(const ObjectId& obj, const char* rec, int row, int col) {
    return impl_->Serve(
        0, [&] { return IntOf(impl_->objects.Cell(obj, View(rec), row, col, VT_INT, false, "QueryRecordInt")); });
}
float HostKernel::QueryRecordFloat(const ObjectId& obj, const char* rec, int row, int col) {
    return impl_->Serve(0.0f, [&] {
        return FloatOf(impl_->objects.Cell(obj, View(rec), row, col, VT_FLOAT, false, "QueryRecordFloat"));
    });
}
const char* HostKernel::QueryRecordString(const ObjectId& obj, const char* rec, int row, int col) {
    return impl_->Serve("", [&] {
        return impl_->Text(
            StringOf(impl_->objects.Cell(obj, View(rec), row, col, VT_STRING, false, "QueryRecordString")));
    });
}
const char16_t* HostKernel::QueryRecordWideStr(const ObjectId& obj, const char* rec, int row, int col) {
    return impl_->Serve(u"", [&] {
        return impl_->Text(
            WideOf(impl_->objects.Cell(obj, View(rec), row, col, VT_WIDESTR, false, "QueryRecordWideStr")));
    });
}
ObjectId HostKernel::QueryRecordObject(const ObjectId& obj, const char* rec, int row, int col) {
    return impl_->Serve(ObjectId{}, [&] {
        return ObjectOf(impl_->objects.Cell(obj, View(rec), row, col, VT_OBJECT, false, "QueryRecordObject"));
    });
}

// ---------------------------------------------------------------- heartbeats, messages, commands

bool HostKernel::AddHeartBeat(const ObjectId& obj, const char* name, int intervalMs) {
    return impl_->Serve(false, [&] { return impl_->timers.Attach(obj, View(name), intervalMs); });
}
bool HostKernel::FindHeartBeat(const ObjectId& obj, const char* name) {
    return impl_->Serve(false, [&] { return impl_->timers.Attached(obj, View(name)); });
}
bool HostKernel::SendCustomMessage(const ObjectId& /*sender*/, const ObjectId& receiver, const IVarList& msg) {
    return impl_->Serve(false, [&] {
        const HostObject* o = impl_->objects.Find(receiver);
        if (o == nullptr || !o->isPlayer) {
            impl_->Diagnose("SendCustomMessage: the receiver " + std::to_string(receiver.ident) + "." +
                            std::to_string(receiver.serial) + " is no online player");
            return false;
        }
        impl_->inboxes.Deliver(receiver, msg);
        return true;
    });
}
bool HostKernel::CommandToScene(int sceneId, const IVarList& msg) {
    return impl_->Serve(false, [&] {
        if (!impl_->objects.SceneExists(sceneId)) return false;
        for (const ObjectId& player : impl_->objects.PlayersIn(sceneId)) RunCommand(player, msg);
        return true;
    });
}
bool HostKernel::CommandToAllScenes(const IVarList& msg) {
    return impl_->Serve(false, [&] {
        for (const ObjectId& scene : impl_->objects.Scenes())
            if (IsA(scene, "BaseScene")) RunCommand(scene, msg);
        return true;
    });
}
ObjectId HostKernel::FindPlayer(const char16_t* name) {
    return impl_->Serve(ObjectId{}, [&] { return impl_->objects.FindPlayer(View(name)); });
}
