#pragma once
// The host's kernel as the library sees it. The order of the virtual operations
// is the host boundary: never reorder, insert or remove one.
//
// Names of classes, events, properties, records and callbacks are narrow text;
// public data spaces are named by 16-bit wide text. Types are ValueType codes.
// Text returned by the Query* operations stays valid until the next call on the
// same kernel; callers copy it. The operations that return an ObjectId are
// declared through VOGAME_CLASS_RESULT (BoundaryAbi.h), so that a
// MinGW build calls them as a host built with MSVC does.
#include <cstdint>

#include "BoundaryAbi.h"
#include "IVarList.h"
#include "ObjectId.h"
#include "IModule.h"
#include "KernelCallbacks.h"

class IKernel {
protected:
    ~IKernel() = default;  // the host owns its kernel; no slot is spent on a destructor

public:
    // --- callbacks and siblings ---------------------------------------------------
    // Makes a heartbeat function known under a name; AddHeartBeat attaches it to objects.
    virtual bool DeclareHeartBeat(const char* name, HeartBeatCallback func) = 0;
    // The sibling logic module of that name, or null.
    virtual IModule* GetLogicModule(const char* name) = 0;
    // Calls func when objects of the class (or a class below it) raise the event; lower priority first.
    virtual bool AddEventCallback(const char* className, const char* event, EventCallback func, int priority) = 0;
    // Calls func when command id reaches an object of the class (or below it).
    virtual bool AddCommandCallback(const char* className, int command, CommandCallback func, int priority) = 0;
    // Calls func when a client sends custom message id; the object is the client's player.
    virtual bool AddCustomCallback(int message, CustomCallback func, int priority) = 0;

    // --- diagnostics ----------------------------------------------------------------
    virtual void WriteLog(const char* text) = 0;    // the host's persistent log
    virtual void WriteTrace(const char* text) = 0;  // the host's trace output

    // --- the host's clock -------------------------------------------------------------
    // Splits a date value of GetCurrentDateTime into year (four digits), month 1-12, day 1-31.
    virtual bool SplitDate(double date, int& year, int& month, int& day) = 0;
    // Splits a time value of GetCurrentDateTime into hour 0-23, minute, second.
    virtual bool SplitTime(double time, int& hour, int& minute, int& second) = 0;
    // The host's current local date and time as two values (encoding is the host's).
    virtual bool GetCurrentDateTime(double& date, double& time) = 0;

    // --- scenes and objects ----------------------------------------------------------
    // The scene of the current call: the container for CreateObject.
    VOGAME_CLASS_RESULT(ObjectId, GetScene, (), (), )
    // The id of a scene object, 0 when it is no scene.
    virtual int GetSceneIdOf(const ObjectId& scene) = 0;
    // Count of scene ids in use (ids run from 1).
    virtual int GetSceneCount() = 0;
    // True when a scene of that id exists.
    virtual bool IsSceneExist(int sceneId) = 0;
    // Creates an object of a configuration inside a container; out is null on failure.
    virtual bool CreateObject(ObjectId& out, const ObjectId& container, const char* configId, int flags) = 0;
    // The folder of the game's resources, ending in a separator.
    virtual const char* GetResourcePath() = 0;

    // --- class definitions --------------------------------------------------------
    // Adds a property to a class; false when the class is unknown or the name taken.
    virtual bool AddClassProperty(int classIndex, const char* name, int type, bool save, const char* description) = 0;
    // As AddClassProperty with visibility; extra is passed through by callers.
    virtual bool AddClassPropertyEx(int classIndex, const char* name, int type, const char* extra, bool isPublic,
                                    bool isPrivate, bool save, const char* description) = 0;

    // --- object properties -----------------------------------------------------------
    virtual bool FindProperty(const ObjectId& obj, const char* name) = 0;      // the object has it
    virtual int GetPropertyType(const ObjectId& obj, const char* name) = 0;    // VT_NONE when missing
    virtual bool TestPropertyFlag(const ObjectId& obj, const char* name) = 0;  // the property's save flag
    virtual bool GetPropertyList(const ObjectId& obj, IVarList& out) = 0;      // appends every name
    // Setters: false when the object or property is missing or of another type.
    virtual bool SetInt(const ObjectId& obj, const char* name, int value) = 0;
    virtual bool SetFloat(const ObjectId& obj, const char* name, float value) = 0;
    virtual bool SetString(const ObjectId& obj, const char* name, const char* value) = 0;
    virtual bool SetWideStr(const ObjectId& obj, const char* name, const char16_t* value) = 0;
    virtual bool SetObject(const ObjectId& obj, const char* name, const ObjectId& value) = 0;
    // Readers: neutral value (0, empty text, null object) when missing or of another type.
    virtual int QueryInt(const ObjectId& obj, const char* name) = 0;
    virtual float QueryFloat(const ObjectId& obj, const char* name) = 0;
    virtual const char* QueryString(const ObjectId& obj, const char* name) = 0;
    virtual const char16_t* QueryWideStr(const ObjectId& obj, const char* name) = 0;
    VOGAME_CLASS_RESULT(ObjectId, QueryObject, (const ObjectId& obj, const char* name), (obj, name), )

    // --- class records -------------------------------------------------------------
    virtual bool AddClassRecord(int classIndex, const char* name, int cols, int maxRows, bool save) = 0;
    virtual bool SetClassRecordColType(int classIndex, const char* name, int col, int type) = 0;
    virtual bool SetClassRecordVisible(int classIndex, const char* name, const char* visibleName) = 0;

    // --- object records -------------------------------------------------------------
    virtual bool FindRecord(const ObjectId& obj, const char* rec) = 0;
    virtual bool GetRecordList(const ObjectId& obj, IVarList& out) = 0;     // appends every record name
    virtual bool TestRecordFlag(const ObjectId& obj, const char* rec) = 0;  // the record's save flag
    virtual int GetRecordCols(const ObjectId& obj, const char* rec) = 0;    // -1 when missing
    virtual int GetRecordRows(const ObjectId& obj, const char* rec) = 0;    // -1 when missing
    virtual int GetRecordColType(const ObjectId& obj, const char* rec, int col) = 0;
    virtual int AddRecordRow(const ObjectId& obj, const char* rec, int row) = 0;  // row -1 appends; new index or -1
    virtual bool ClearRecord(const ObjectId& obj, const char* rec) = 0;           // removes every row
    // Cell setters: a row index equal to the row count appends default rows up to it.
    virtual bool SetRecordInt(const ObjectId& obj, const char* rec, int row, int col, int value) = 0;
    virtual bool SetRecordFloat(const ObjectId& obj, const char* rec, int row, int col, float value) = 0;
    virtual bool SetRecordString(const ObjectId& obj, const char* rec, int row, int col, const char* value) = 0;
    virtual bool SetRecordWideStr(const ObjectId& obj, const char* rec, int row, int col, const char16_t* value) = 0;
    virtual bool SetRecordObject(const ObjectId& obj, const char* rec, int row, int col, const ObjectId& value) = 0;
    virtual int QueryRecordInt(const ObjectId& obj, const char* rec, int row, int col) = 0;
    virtual float QueryRecordFloat(const ObjectId& obj, const char* rec, int row, int col) = 0;
    virtual const char* QueryRecordString(const ObjectId& obj, const char* rec, int row, int col) = 0;
    virtual const char16_t* QueryRecordWideStr(const ObjectId& obj, const char* rec, int row, int col) = 0;
    VOGAME_CLASS_RESULT(ObjectId, QueryRecordObject, (const ObjectId& obj, const char* rec, int row, int col),
                        (obj, rec, row, col), )

    // --- named data values of objects ---------------------------------------------------
    virtual bool FindData(const ObjectId& obj, const char* name) = 0;
    virtual bool GetDataList(const ObjectId& obj, IVarList& out) = 0;  // appends every data name
    virtual bool AddData(const ObjectId& obj, const char* name, int type) = 0;
    virtual int GetDataType(const ObjectId& obj, const char* name) = 0;
    virtual bool SetDataInt(const ObjectId& obj, const char* name, int value) = 0;
    virtual bool SetDataFloat(const ObjectId& obj, const char* name, float value) = 0;
    virtual bool SetDataString(const ObjectId& obj, const char* name, const char* value) = 0;
    virtual bool SetDataWideStr(const ObjectId& obj, const char* name, const char16_t* value) = 0;
    virtual bool SetDataObject(const ObjectId& obj, const char* name, const ObjectId& value) = 0;
    virtual int QueryDataInt(const ObjectId& obj, const char* name) = 0;
    virtual float QueryDataFloat(const ObjectId& obj, const char* name) = 0;
    virtual const char* QueryDataString(const ObjectId& obj, const char* name) = 0;
    virtual const char16_t* QueryDataWideStr(const ObjectId& obj, const char* name) = 0;
    VOGAME_CLASS_RESULT(ObjectId, QueryDataObject, (const ObjectId& obj, const char* name), (obj, name), )

    // Creates an object described by text (a configuration id) inside a container.
    virtual bool CreateObjectFromText(ObjectId& out, const ObjectId& container, const char* text) = 0;
    virtual bool DestroyObject(const ObjectId& obj) = 0;

    virtual const char* GetConfigName(const ObjectId& obj) = 0;  // empty when missing
    // The scene holding the object.
    VOGAME_CLASS_RESULT(ObjectId, GetSceneOf, (const ObjectId& obj), (obj), )
    virtual bool Exists(const ObjectId& obj) = 0;

    // --- heartbeats and messages ----------------------------------------------------
    // Attaches a declared heartbeat to an object: called every intervalMs of host time.
    virtual bool AddHeartBeat(const ObjectId& obj, const char* name, int intervalMs) = 0;
    virtual bool FindHeartBeat(const ObjectId& obj, const char* name) = 0;
    // Sends a copy of the list to the receiver's client.
    virtual bool SendCustomMessage(const ObjectId& sender, const ObjectId& receiver, const IVarList& msg) = 0;
    // Delivers a command (id at element 0) to the player objects of a scene.
    virtual bool CommandToScene(int sceneId, const IVarList& msg) = 0;
    // Delivers a command (id at element 0) to every "BaseScene" object.
    virtual bool CommandToAllScenes(const IVarList& msg) = 0;

    // --- public data, shared by every server of a world ---------------------------------------
    virtual int GetPubDataIndex(const char16_t* name) = 0;  // negative when missing
    virtual bool FindPubData(const char16_t* name) = 0;
    virtual bool AddPubData(const char16_t* name, int flag) = 0;  // false when it exists
    virtual bool FindPubProperty(int index, const char* name) = 0;
    virtual bool AddPubProperty(int index, const char* name, int type) = 0;  // value 0; false when it exists
    virtual bool SetPubPropertySave(int index, const char* name, bool save) = 0;
    virtual bool SetPubPropertyInt(int index, const char* name, int value) = 0;
    // Atomically among all servers: when it holds expected, stores desired and returns true.
    virtual bool CompareSetPubPropertyInt(int index, const char* name, int expected, int desired) = 0;
    virtual bool FindPubRecord(int index, const char* rec) = 0;
    virtual bool AddPubRecord(int index, const char* rec, int maxRows, int cols) = 0;  // false when it exists
    virtual bool RemovePubRecord(int index, const char* rec) = 0;
    virtual bool SetPubRecordSave(int index, const char* rec, bool save) = 0;
    virtual bool SetPubRecordColType(int index, const char* rec, int col, int type) = 0;
    virtual int GetPubRecordColType(int index, const char* rec, int col) = 0;  // VT_NONE when out of range
    virtual int GetPubRecordMax(int index, const char* rec) = 0;               // -1 when missing
    virtual int GetPubRecordRows(int index, const char* rec) = 0;              // -1 when missing
    virtual int GetPubRecordCols(int index, const char* rec) = 0;              // -1 when missing
    // Inserts a row of default values before row (row == rows appends); false when full or out of range.
    virtual bool InsertPubRecordRow(int index, const char* rec, int row) = 0;
    // Inserts a row of values before row (-1 appends); the new row index, negative on failure.
    virtual int AddPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) = 0;
    virtual bool RemovePubRecordRow(int index, const char* rec, int row) = 0;
    virtual bool ClearPubRecord(int index, const char* rec) = 0;
    // The first row whose cell in col equals value, or -1.
    virtual int FindPubRecordWideStr(int index, const char* rec, int col, const char16_t* value) = 0;
    // Overwrites a whole row; false when the values do not fit the columns.
    virtual bool SetPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) = 0;
    virtual bool SetPubRecordInt(int index, const char* rec, int row, int col, int value) = 0;
    virtual bool SetPubRecordFloat(int index, const char* rec, int row, int col, float value) = 0;
    virtual bool SetPubRecordString(int index, const char* rec, int row, int col, const char* value) = 0;
    virtual bool SetPubRecordWideStr(int index, const char* rec, int row, int col, const char16_t* value) = 0;
    virtual int QueryPubRecordInt(int index, const char* rec, int row, int col) = 0;
    virtual float QueryPubRecordFloat(int index, const char* rec, int row, int col) = 0;
    virtual const char* QueryPubRecordString(int index, const char* rec, int row, int col) = 0;
    virtual const char16_t* QueryPubRecordWideStr(int index, const char* rec, int row, int col) = 0;
    VOGAME_CLASS_RESULT(ObjectId, QueryPubRecordObject, (int index, const char* rec, int row, int col),
                        (index, rec, row, col), )

    // The online player of that "Name", or the null object.
    VOGAME_CLASS_RESULT(ObjectId, FindPlayer, (const char16_t* name), (name), )

    // Public data records reached by space name.
    virtual bool FindPubDataRecord(const char16_t* space, const char* rec) = 0;
    virtual int GetPubDataRecordRows(const char16_t* space, const char* rec) = 0;  // -1 when missing
    virtual int QueryPubDataRecordInt(const char16_t* space, const char* rec, int row, int col) = 0;
    virtual const char16_t* QueryPubDataRecordWideStr(const char16_t* space, const char* rec, int row, int col) = 0;

    // --- class definitions with a save mode --------------------------------------------
    virtual bool AddClassPropertySaveMode(int classIndex, const char* name, int type, int saveMode,
                                          const char* description) = 0;
    virtual bool AddClassPropertyExSaveMode(int classIndex, const char* name, int type, const char* extra,
                                            bool isPublic, bool isPrivate, int saveMode, const char* description) = 0;
    virtual bool AddClassRecordSaveMode(int classIndex, const char* name, int cols, int maxRows, int saveMode) = 0;
};
