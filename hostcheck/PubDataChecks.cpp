#include "PubDataChecks.h"

#include <string>

#include "../Utility/CVarList.h"
#include "../Utility/KernelClock.h"
#include "../module/ValueType.h"
#include "../Utility/WideText.h"
#include "../module/IKernel.h"
#include "CheckContext.h"

namespace HostCheck {

namespace {

// The scratch record's layout: every column type the library reads or writes.
constexpr int kColumnTypes[] = {VT_WIDESTR, VT_INT, VT_STRING, VT_FLOAT, VT_OBJECT, VT_INT};
constexpr int kColumns = sizeof kColumnTypes / sizeof kColumnTypes[0];
constexpr int kMaxRows = 150;

std::string Number(long long n) { return std::to_string(n); }

// One row of the scratch record: name, level, castle id, 0.5, null object, level * 2.
CVarList Row(const char16_t* name, int level) {
    CVarList row;
    row.PushWideString(name);
    row.PushInt(level);
    row.PushString("castle_north");
    row.PushFloat(0.5f);
    row.PushObject(ObjectId{});
    row.PushInt(level * 2);
    return row;
}

class Checks {
public:
    Checks(IKernel* kernel, Context& context) : k_(kernel), c_(context), rec_(context.Name("HostCheckRec")) {}

    int Run() {
        if (!Space()) return -1;
        LockProperty();
        Shapes();
        if (!CreateRecord()) return index_;
        Rows();
        Find();
        Cells();
        Full();
        ReAdd();
        ByName();
        k_->RemovePubRecord(index_, rec_.c_str());
        NationRecords();
        Saved();
        return index_;
    }

private:
    void Report(const Rule& rule) { rule.Report(c_.results, k_); }

    // The library reaches each list's space by index and makes the space when
    // its index is negative.
    bool Space() {
        Rule rule("pub-space", "a missing space has a negative index; AddPubData makes one, whose index stays put");
        const std::u16string missing = kCheckSpace + StringToWide("Missing" + c_.token);
        rule.Expect(k_->GetPubDataIndex(missing.c_str()) < 0,
                    "GetPubDataIndex of a space never made is not negative (the library would not make it)");
        index_ = k_->GetPubDataIndex(kCheckSpace);
        if (index_ < 0) {
            k_->AddPubData(kCheckSpace, 1);
            index_ = k_->GetPubDataIndex(kCheckSpace);
        }
        rule.Expect(index_ >= 0, "GetPubDataIndex is still negative after AddPubData(name, 1)");
        if (index_ >= 0) {
            rule.Expect(k_->GetPubDataIndex(kCheckSpace) == index_,
                        "GetPubDataIndex gave another index the second time");
        }
        Report(rule);
        if (index_ < 0) {
            for (const char* r : {"compare-and-set", "record-shape", "record-columns", "record-rows", "record-find",
                                  "record-cells", "record-full", "record-readd", "pub-data-by-name", "saved-records"})
                c_.results.Skip(k_, r, "not checked: the host gave no public data space");
        }
        return index_ >= 0;
    }

    // A list's lock: an Int property made when missing, value 0, taken and given
    // back with compare-and-set only.
    void LockProperty() {
        const std::string lock = c_.Name("HostCheckLock");
        const char* p = lock.c_str();
        Rule rule("compare-and-set",
                  "a new Int property holds 0; compare-and-set stores only over the expected value and says so");
        rule.Expect(!k_->FindPubProperty(index_, p), "FindPubProperty finds a property never added");
        k_->AddPubProperty(index_, p, VT_INT);
        k_->SetPubPropertySave(index_, p, false);
        rule.Expect(k_->FindPubProperty(index_, p), "FindPubProperty does not find the property AddPubProperty added");
        rule.Expect(k_->CompareSetPubPropertyInt(index_, p, 0, 0), "a new Int property does not hold 0");
        rule.Expect(!k_->CompareSetPubPropertyInt(index_, p, 1, 2),
                    "compare-and-set(1, 2) succeeded on a property holding 0");
        rule.Expect(k_->CompareSetPubPropertyInt(index_, p, 0, 1), "compare-and-set(0, 1) failed on a free lock");
        rule.Expect(!k_->CompareSetPubPropertyInt(index_, p, 0, 1),
                    "compare-and-set(0, 1) succeeded on a lock already held: two holders at once");
        rule.Expect(k_->CompareSetPubPropertyInt(index_, p, 1, 0),
                    "compare-and-set(1, 0) failed: the holder cannot release");
        rule.Expect(k_->CompareSetPubPropertyInt(index_, p, 0, 0), "the lock is not free after its release");
        // The takeover claim beside a lock is set outright when it holds a value no takeover gives.
        rule.Expect(k_->SetPubPropertyInt(index_, p, 4095), "SetPubPropertyInt failed on an Int property");
        rule.Expect(k_->CompareSetPubPropertyInt(index_, p, 4095, 0),
                    "compare-and-set does not find the value just set");
        Report(rule);
    }

    // The shapes of the library's records.
    void Shapes() {
        struct Shape {
            int rows, cols;
            const char* user;
        };
        constexpr Shape kShapes[] = {{150, 11, "the player list"},
                                     {150, 9, "the charm list"},
                                     {150, 5, "the win-streak list"},
                                     {1, 1, "the win-streak prize date"}};
        Rule rule("record-shape", "records of 150 x 11, 150 x 9, 150 x 5 and 1 x 1 are made with that shape");
        int n = 0;
        for (const Shape& s : kShapes) {
            const std::string rec = c_.Name("HostCheckShape") + "_" + Number(n++);
            const std::string shape = Number(s.rows) + " rows and " + Number(s.cols) + " columns";
            if (rule.Expect(k_->AddPubRecord(index_, rec.c_str(), s.rows, s.cols),
                            "AddPubRecord of " + shape + " returned false (" + s.user + " needs that shape)")) {
                rule.Expect(k_->GetPubRecordMax(index_, rec.c_str()) == s.rows &&
                                k_->GetPubRecordCols(index_, rec.c_str()) == s.cols &&
                                k_->GetPubRecordRows(index_, rec.c_str()) == 0,
                            "a record added with " + shape + " reads back another maximum, column count or rows");
            }
            k_->RemovePubRecord(index_, rec.c_str());
        }
        Report(rule);
    }

    bool CreateRecord() {
        const char* r = rec_.c_str();
        Rule rule("record-columns", "a new record is found, empty, and keeps the column types set on it");
        rule.Expect(!k_->FindPubRecord(index_, r), "FindPubRecord finds a record never added");
        const bool added = rule.Expect(k_->AddPubRecord(index_, r, kMaxRows, kColumns),
                                       "AddPubRecord(150 rows, 6 columns) returned false");
        rule.Expect(k_->FindPubRecord(index_, r), "FindPubRecord does not find the record just added");
        rule.Expect(k_->GetPubRecordRows(index_, r) == 0, "a new record has rows");
        k_->SetPubRecordSave(index_, r, false);
        for (int col = 0; col < kColumns; ++col) k_->SetPubRecordColType(index_, r, col, kColumnTypes[col]);
        for (int col = 0; col < kColumns; ++col) {
            const int type = k_->GetPubRecordColType(index_, r, col);
            rule.Expect(type == kColumnTypes[col], "column " + Number(col) + " reads back type " + Number(type) +
                                                       " after SetPubRecordColType(" + Number(kColumnTypes[col]) + ")");
        }
        Report(rule);
        if (!added) {
            for (const char* id :
                 {"record-rows", "record-find", "record-cells", "record-full", "record-readd", "pub-data-by-name"})
                c_.results.Skip(k_, id, "not checked: the scratch record could not be added");
        }
        return added;
    }

    // Column 0 of rows 0, 1, ... as the expected names.
    bool NamesAre(Rule& rule, std::initializer_list<const char16_t*> names, const std::string& after) {
        const char* r = rec_.c_str();
        const int rows = k_->GetPubRecordRows(index_, r);
        if (!rule.Expect(rows == static_cast<int>(names.size()),
                         after + ": " + Number(rows) + " rows, not " + Number(static_cast<long long>(names.size()))))
            return false;
        int row = 0;
        for (const char16_t* name : names) {
            const bool same =
                c_.text.Check("QueryPubRecordWideStr", k_->QueryPubRecordWideStr(index_, r, row, 0), name);
            if (!rule.Expect(same, after + ": row " + Number(row) + " is not \"" + Shown(std::u16string_view(name)) +
                                       "\"" + (c_.text.Failed() ? " (see text-lifetime)" : "")))
                return false;
            ++row;
        }
        return true;
    }

    void Rows() {
        const char* r = rec_.c_str();
        Rule rule("record-rows", "rows are appended, inserted before a row, removed and overwritten where asked");
        rule.Expect(k_->AddPubRecordRowValue(index_, r, -1, Row(u"Ann", 30)) == 0,
                    "appending to an empty record did not give row 0");
        rule.Expect(k_->AddPubRecordRowValue(index_, r, -1, Row(u"Bob", 20)) == 1,
                    "the second append did not give row 1");
        rule.Expect(k_->AddPubRecordRowValue(index_, r, -1, Row(u"Cid", 10)) == 2,
                    "the third append did not give row 2");
        rule.Expect(k_->AddPubRecordRowValue(index_, r, 1, Row(u"Dan", 25)) == 1,
                    "AddPubRecordRowValue at row 1 did not give row 1");
        NamesAre(rule, {u"Ann", u"Dan", u"Bob", u"Cid"}, "after three appends and an add at row 1");
        rule.Expect(k_->InsertPubRecordRow(index_, r, 0), "InsertPubRecordRow at row 0 returned false");
        rule.Expect(k_->InsertPubRecordRow(index_, r, 5),
                    "InsertPubRecordRow at the row count (an append) returned false");
        NamesAre(rule, {u"", u"Ann", u"Dan", u"Bob", u"Cid", u""}, "after default rows at 0 and at the end");
        rule.Expect(k_->GetPubRecordColType(index_, r, 1) == VT_INT && k_->QueryPubRecordInt(index_, r, 0, 1) == 0 &&
                        k_->QueryPubRecordFloat(index_, r, 0, 3) == 0.0f,
                    "a row made by InsertPubRecordRow does not hold 0 in its Int and Float columns");
        rule.Expect(k_->RemovePubRecordRow(index_, r, 5) && k_->RemovePubRecordRow(index_, r, 0),
                    "RemovePubRecordRow returned false");
        rule.Expect(k_->SetPubRecordRowValue(index_, r, 2, Row(u"Eve", 22)), "SetPubRecordRowValue returned false");
        NamesAre(rule, {u"Ann", u"Dan", u"Eve", u"Cid"}, "after removing the default rows and overwriting row 2");
        rule.Expect(k_->QueryPubRecordInt(index_, r, 2, 1) == 22 && k_->QueryPubRecordInt(index_, r, 2, 5) == 44,
                    "SetPubRecordRowValue did not overwrite every cell of the row");
        Report(rule);
    }

    void Find() {
        const char* r = rec_.c_str();
        Rule rule("record-find", "FindPubRecordWideStr gives the first row holding the text in the column, or -1");
        rule.Expect(k_->FindPubRecordWideStr(index_, r, 0, u"Eve") == 2, "FindPubRecordWideStr(\"Eve\") is not row 2");
        rule.Expect(k_->FindPubRecordWideStr(index_, r, 0, u"Zed") == -1,
                    "FindPubRecordWideStr of an absent name is not -1");
        k_->AddPubRecordRowValue(index_, r, -1, Row(u"Ann", 1));
        rule.Expect(k_->FindPubRecordWideStr(index_, r, 0, u"Ann") == 0,
                    "FindPubRecordWideStr of a doubled name is not the first row");
        k_->RemovePubRecordRow(index_, r, 4);
        Report(rule);
    }

    void Cells() {
        const char* r = rec_.c_str();
        Rule rule("record-cells", "each cell keeps what was written to it, by its column's type");
        rule.Expect(k_->SetPubRecordInt(index_, r, 1, 1, 42), "SetPubRecordInt returned false");
        rule.Expect(k_->SetPubRecordString(index_, r, 1, 2, "castle_bridge"), "SetPubRecordString returned false");
        rule.Expect(k_->SetPubRecordFloat(index_, r, 1, 3, 2.5f), "SetPubRecordFloat returned false");
        rule.Expect(k_->SetPubRecordWideStr(index_, r, 1, 0, u"Dana"), "SetPubRecordWideStr returned false");
        rule.Expect(k_->QueryPubRecordInt(index_, r, 1, 1) == 42, "QueryPubRecordInt does not read back 42");
        rule.Expect(k_->QueryPubRecordFloat(index_, r, 1, 3) == 2.5f, "QueryPubRecordFloat does not read back 2.5");
        rule.Expect(k_->QueryPubRecordObject(index_, r, 1, 4).IsNull(),
                    "QueryPubRecordObject of a null object is not null");
        rule.Expect(c_.text.Check("QueryPubRecordString", k_->QueryPubRecordString(index_, r, 1, 2), "castle_bridge"),
                    "QueryPubRecordString does not read back \"castle_bridge\" (see text-lifetime)");
        rule.Expect(c_.text.Check("QueryPubRecordWideStr", k_->QueryPubRecordWideStr(index_, r, 1, 0), u"Dana"),
                    "QueryPubRecordWideStr does not read back \"Dana\" (see text-lifetime)");
        Report(rule);
    }

    // A full list: the last row goes before a newcomer goes in.
    void Full() {
        const std::string full = c_.Name("HostCheckFull");
        const char* r = full.c_str();
        Rule rule("record-full",
                  "a full record refuses a further row until one is removed; ClearPubRecord empties a record");
        k_->AddPubRecord(index_, r, 3, kColumns);
        for (int col = 0; col < kColumns; ++col) k_->SetPubRecordColType(index_, r, col, kColumnTypes[col]);
        for (const char16_t* name : {u"Ann", u"Bob", u"Cid"}) k_->AddPubRecordRowValue(index_, r, -1, Row(name, 5));
        rule.Expect(k_->GetPubRecordRows(index_, r) == 3, "a record of 3 rows at most did not take 3 rows");
        rule.Expect(k_->AddPubRecordRowValue(index_, r, -1, Row(u"Dan", 5)) < 0,
                    "AddPubRecordRowValue on a full record did not give a negative index");
        rule.Expect(!k_->InsertPubRecordRow(index_, r, 0), "InsertPubRecordRow on a full record returned true");
        rule.Expect(k_->GetPubRecordRows(index_, r) == 3, "a full record took a fourth row");
        rule.Expect(k_->RemovePubRecordRow(index_, r, 2) && k_->AddPubRecordRowValue(index_, r, 0, Row(u"Dan", 5)) == 0,
                    "after removing its last row a full record did not take a row at row 0");
        rule.Expect(k_->ClearPubRecord(index_, r) && k_->GetPubRecordRows(index_, r) == 0,
                    "ClearPubRecord did not leave 0 rows");
        k_->RemovePubRecord(index_, r);
        Report(rule);
    }

    // The player list's resize and migration, and the charm list's rebuild at
    // every start, remove their record and add it again, sometimes with another shape.
    void ReAdd() {
        const char* r = rec_.c_str();
        Rule rule("record-readd", "a removed record is gone, and can be added again with another shape, and again");
        rule.Expect(k_->RemovePubRecord(index_, r), "RemovePubRecord returned false");
        rule.Expect(!k_->FindPubRecord(index_, r), "FindPubRecord still finds a removed record");
        rule.Expect(k_->GetPubRecordRows(index_, r) < 0, "GetPubRecordRows of a removed record is not negative");
        if (rule.Expect(k_->AddPubRecord(index_, r, 100, 4),
                        "AddPubRecord after RemovePubRecord of the same record returned false (the player list's "
                        "resize and migration and the charm list's rebuild need it)")) {
            rule.Expect(k_->GetPubRecordMax(index_, r) == 100 && k_->GetPubRecordCols(index_, r) == 4 &&
                            k_->GetPubRecordRows(index_, r) == 0,
                        "the record added again does not have its new shape (100 rows, 4 columns, empty)");
        }
        k_->RemovePubRecord(index_, r);
        rule.Expect(k_->AddPubRecord(index_, r, kMaxRows, kColumns),
                    "a record removed twice cannot be added a third time");
        for (int col = 0; col < kColumns; ++col) k_->SetPubRecordColType(index_, r, col, kColumnTypes[col]);
        Report(rule);
    }

    // The nation report reads records by space name.
    void ByName() {
        const char* r = rec_.c_str();
        const std::string missing = c_.Name("HostCheckNoSuchRecord");
        k_->AddPubRecordRowValue(index_, r, -1, Row(u"Ann", 30));
        k_->AddPubRecordRowValue(index_, r, -1, Row(u"Bob", 20));
        Rule rule("pub-data-by-name", "records are found and read by space name as by index");
        rule.Expect(k_->FindPubDataRecord(kCheckSpace, r), "FindPubDataRecord does not find the record");
        rule.Expect(!k_->FindPubDataRecord(kCheckSpace, missing.c_str()),
                    "FindPubDataRecord finds a record never added");
        rule.Expect(k_->GetPubDataRecordRows(kCheckSpace, r) == 2, "GetPubDataRecordRows is not 2");
        rule.Expect(k_->GetPubDataRecordRows(kCheckSpace, missing.c_str()) < 0,
                    "GetPubDataRecordRows of a missing record is not negative");
        rule.Expect(k_->QueryPubDataRecordInt(kCheckSpace, r, 1, 1) == 20, "QueryPubDataRecordInt does not read 20");
        rule.Expect(
            c_.text.Check("QueryPubDataRecordWideStr", k_->QueryPubDataRecordWideStr(kCheckSpace, r, 1, 0), u"Bob"),
            "QueryPubDataRecordWideStr does not read \"Bob\" (see text-lifetime)");
        Report(rule);
    }

    // Records the rest of the game server keeps, which the nation report reads.
    void NationRecords() {
        Rule rule("nation-records",
                  "NationResource/NationResourceRec has 5 rows of 5 Int columns; NationInfo/KingInfo has a WideString "
                  "column 1 and an Int column 3");
        const int resources = k_->GetPubDataIndex(u"NationResource");
        const int kings = k_->GetPubDataIndex(u"NationInfo");
        const std::string without = " (without it the nation report, message 73003, sends nothing)";
        if (rule.Expect(k_->FindPubDataRecord(u"NationResource", "NationResourceRec") && resources >= 0,
                        "no record NationResourceRec in the space NationResource" + without)) {
            const int rows = k_->GetPubDataRecordRows(u"NationResource", "NationResourceRec");
            rule.Expect(rows >= 5,
                        "NationResourceRec has " + Number(rows) + " rows, fewer than the 5 nations" + without);
            for (int col = 0; col < 5; ++col) {
                rule.Expect(k_->GetPubRecordColType(resources, "NationResourceRec", col) == VT_INT,
                            "column " + Number(col) + " of NationResourceRec is not Int");
            }
        }
        if (rule.Expect(k_->FindPubDataRecord(u"NationInfo", "KingInfo") && kings >= 0,
                        "no record KingInfo in the space NationInfo" + without)) {
            rule.Expect(k_->GetPubRecordColType(kings, "KingInfo", 1) == VT_WIDESTR,
                        "column 1 of KingInfo (the king's name) is not WideString");
            rule.Expect(k_->GetPubRecordColType(kings, "KingInfo", 3) == VT_INT,
                        "column 3 of KingInfo (the nation) is not Int");
        }
        Report(rule);
    }

    // The lists and the prize date must outlive a restart. The check can only
    // see it across its own runs: it leaves a saved record and looks for the
    // previous run's.
    void Saved() {
        constexpr const char* kSaved = "HostCheckSaved";
        constexpr int kEarlierBy = 60;  // seconds; a run on another server at the same moment does not count
        const int rows = k_->GetPubRecordRows(index_, kSaved);
        const int stamp = rows >= 1 ? k_->QueryPubRecordInt(index_, kSaved, 0, 1) : 0;
        if (stamp != 0 && c_.startSeconds - (stamp + kEpoch2020) >= kEarlierBy) {
            c_.results.Pass(k_, "saved-records",
                            "the saved record of an earlier run was still there, so saved records outlive a restart "
                            "(if the public data was restarted in between)");
        } else {
            c_.results.Skip(k_, "saved-records",
                            "first run here: restart the servers and the public data, then run the check again to see "
                            "that saved records (the lists, the prize date) outlive a restart");
        }
        if (rows < 0) {
            k_->AddPubRecord(index_, kSaved, 1, 2);
            k_->SetPubRecordColType(index_, kSaved, 0, VT_WIDESTR);
            k_->SetPubRecordColType(index_, kSaved, 1, VT_INT);
        }
        k_->SetPubRecordSave(index_, kSaved, true);
        CVarList row;
        row.PushWideString(StringToWide(c_.token).c_str());
        row.PushInt(static_cast<int>(c_.startSeconds - kEpoch2020));
        if (k_->GetPubRecordRows(index_, kSaved) >= 1) {
            k_->SetPubRecordRowValue(index_, kSaved, 0, row);
        } else {
            k_->AddPubRecordRowValue(index_, kSaved, -1, row);
        }
    }

    IKernel* k_;
    Context& c_;
    std::string rec_;
    int index_ = -1;
};

}  // namespace

int RunPubDataChecks(IKernel* kernel, Context& context) { return Checks(kernel, context).Run(); }

}  // namespace HostCheck
