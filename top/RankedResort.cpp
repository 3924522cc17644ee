#include "RankedResort.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "../Utility/ValueType.h"
#include "../module/IKernel.h"
#include "../module/RecordImage.h"

namespace TopList {

namespace {

constexpr int kHourMs = 3600000;

// Whether row a of the image ranks before row b by the list's re-sort keys.
bool RanksBefore(const RecordImage& image, const RankedList& list, int a, int b) {
    for (const ResortKey& key : list.resortOrder) {
        int order = 0;
        if (image.ColumnType(key.column) == VT_WIDESTR) {
            order = image.WideString(a, key.column).compare(image.WideString(b, key.column));
        } else {
            const int x = image.Int(a, key.column);
            const int y = image.Int(b, key.column);
            order = x < y ? -1 : (x > y ? 1 : 0);
        }
        if (order != 0) return key.descending ? order > 0 : order < 0;
    }
    return false;
}

}  // namespace

void ResortLocked(const LockedList& locked) {
    PubRecordHandle& handle = locked.Handle();
    const RankedList& list = locked.List();
    RecordImage image;
    image.TakeAs(handle, list.columnTypes);
    if (image.Rows() < 1) return;

    // Rows in the order they count as added: of equal keys the first added stays.
    std::vector<int> order(static_cast<std::size_t>(image.Rows()));
    std::iota(order.begin(), order.end(), 0);
    if (list.resortKeeps == EqualKeysKeep::NearerEnd) std::reverse(order.begin(), order.end());
    const auto before = [&](int a, int b) { return RanksBefore(image, list, a, b); };
    std::stable_sort(order.begin(), order.end(), before);
    order.erase(std::unique(order.begin(), order.end(), [&](int a, int b) { return !before(a, b) && !before(b, a); }),
                order.end());
    if (order.size() > static_cast<std::size_t>(std::max(list.resortRows, 0))) {
        order.resize(static_cast<std::size_t>(list.resortRows));
    }

    handle.Clear();
    image.AppendRows(handle, order);
}

void Resort(IKernel* kernel, const RankedList& list) {
    PubRecordHandle handle(kernel, list.pubSpace, list.record);
    if (handle.Rows() < 1) return;
    ResortLocked(LockedList(handle, list));
}

void StartHourlyResort(IKernel* kernel, const ObjectId& scene, const RankedList& list, std::int32_t& homeSceneLoads) {
    if (homeSceneLoads < 1) {
        if (!kernel->FindHeartBeat(scene, list.heartBeat)) kernel->AddHeartBeat(scene, list.heartBeat, kHourMs);
        Resort(kernel, list);
    }
    if (homeSceneLoads < INT32_MAX) ++homeSceneLoads;
}

}  // namespace TopList
