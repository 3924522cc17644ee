#include "NationResourceTopSystem.h"

#include "../Utility/CVarList.h"
#include "../module/IKernel.h"
#include "../module/IVirtualRecSystem.h"
#include "../record/PubRecordView.h"
#include "Registrations.h"
#include "SiblingLookup.h"

namespace {

using namespace TopList;

IVirtualRecSystem* g_virtualRecSystem = nullptr;

constexpr int kNationCount = 5;
constexpr int kResourceColumns = 5;
constexpr int kKingNameColumn = 1;
constexpr int kKingNationColumn = 3;

// The first king row of the nation, or -1.
int KingRowOf(PubRecordView& kings, int kingRows, int nation) {
    for (int row = 0; row < kingRows; ++row) {
        if (kings.CellInt(row, kKingNationColumn) == nation) return row;
    }
    return -1;
}

// 1 when the record was sent, 0 when the nation records are missing or short.
int SendNationResource(IKernel* kernel, const ObjectId& self, const ObjectId&, const IVarList&) {
    if (g_virtualRecSystem == nullptr) return 0;
    PubRecordView resources(kernel, u"NationResource", "NationResourceRec");
    PubRecordView kings(kernel, u"NationInfo", "KingInfo");
    if (!resources.Exists() || !kings.Exists() || resources.Rows() < kNationCount) return 0;

    const int kingRows = kings.Rows();
    CVarList values;
    for (int nation = 0; nation < kNationCount; ++nation) {
        for (int col = 0; col < kResourceColumns; ++col) values.PushInt(resources.CellInt(nation, col));
        const int kingRow = KingRowOf(kings, kingRows, nation);
        if (kingRow < 0) {
            values.PushWideString(u"");
            values.PushInt(0);
            continue;
        }
        // The kernel's text is valid only until its next call: push it before FindPlayer.
        values.PushWideString(kings.CellWideText(kingRow, kKingNameColumn));
        const ObjectId king = kernel->FindPlayer(values.WideStringAt(values.Size() - 1));
        values.PushInt(kernel->Exists(king) ? 1 : 0);
    }
    g_virtualRecSystem->SendVirtualRecord(kernel, self, "Game.NationResource", values);
    return 1;
}

constexpr HostCallback kHostCallbacks[] = {OnCustom(73003, Contained<SendNationResource>)};

}  // namespace

bool NationResourceTopSystem::Init(IKernel* kernel) {
    g_virtualRecSystem =
        static_cast<IVirtualRecSystem*>(FindSibling(kernel, "VirtualRecSystem", ".\\NationResourceTopSystem (12)"));
    return g_virtualRecSystem != nullptr;
}

bool NationResourceTopSystem::AfterInit(IKernel* kernel) {
    RegisterHostCallbacks(kernel, kHostCallbacks);
    return true;
}

bool NationResourceTopSystem::Shut() { return true; }
