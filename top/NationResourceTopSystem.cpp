#include "NationResourceTopSystem.h"

#include "../Utility/CVarList.h"
#include "../module/IKernel.h"
#include "../module/IVirtualRecSystem.h"
#include "TopListShared.h"

namespace {

IVirtualRecSystem* g_virtualRecSystem = nullptr;

constexpr int kRequestMessage = 73003;
constexpr int kNationCount = 5;
constexpr int kResourceColumns = 5;
constexpr int kKingNameColumn = 1;
constexpr int kKingNationColumn = 3;

constexpr const char16_t* kResourceSpace = u"NationResource";
constexpr const char* kResourceRecord = "NationResourceRec";
constexpr const char16_t* kKingSpace = u"NationInfo";
constexpr const char* kKingRecord = "KingInfo";

}  // namespace

bool NationResourceTopSystem::Init(IKernel* kernel) {
    g_virtualRecSystem = static_cast<IVirtualRecSystem*>(kernel->GetLogicModule("VirtualRecSystem"));
    if (g_virtualRecSystem == nullptr) {
        TopList::WriteMissingSiblingReport(kernel, "VirtualRecSystem", ".\\NationResourceTopSystem (12)");
        return false;
    }
    return true;
}

bool NationResourceTopSystem::AfterInit(IKernel* kernel) {
    kernel->AddCustomCallback(kRequestMessage, &NationResourceTopSystem::SendNationResource, 3);
    return true;
}

bool NationResourceTopSystem::Shut() { return true; }

int NationResourceTopSystem::SendNationResource(IKernel* kernel, const ObjectId& self, const ObjectId&,
                                                const IVarList&) {
    if (g_virtualRecSystem == nullptr) return 0;
    if (!kernel->FindPubDataRecord(kResourceSpace, kResourceRecord)) return 0;
    if (!kernel->FindPubDataRecord(kKingSpace, kKingRecord)) return 0;
    if (kernel->GetPubDataRecordRows(kResourceSpace, kResourceRecord) < kNationCount) return 0;

    const int kingRows = kernel->GetPubDataRecordRows(kKingSpace, kKingRecord);
    CVarList values;
    for (int nation = 0; nation < kNationCount; ++nation) {
        for (int col = 0; col < kResourceColumns; ++col) {
            values.PushInt(kernel->QueryPubDataRecordInt(kResourceSpace, kResourceRecord, nation, col));
        }
        int kingRow = -1;
        for (int row = 0; row < kingRows; ++row) {
            if (kernel->QueryPubDataRecordInt(kKingSpace, kKingRecord, row, kKingNationColumn) == nation) {
                kingRow = row;
                break;
            }
        }
        if (kingRow < 0) {
            values.PushWideString(u"");
            values.PushInt(0);
            continue;
        }
        const char16_t* name = kernel->QueryPubDataRecordWideStr(kKingSpace, kKingRecord, kingRow, kKingNameColumn);
        if (name == nullptr) name = u"";
        // The kernel's text is valid only until its next call: push it before FindPlayer.
        values.PushWideString(name);
        const ObjectId king = kernel->FindPlayer(values.WideStringAt(values.Size() - 1));
        values.PushInt(kernel->Exists(king) ? 1 : 0);
    }
    g_virtualRecSystem->SendVirtualRecord(kernel, self, "Game.NationResource", values);
    return 1;
}
