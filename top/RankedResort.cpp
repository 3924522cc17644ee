#include "RankedResort.h"

#include <algorithm>
#include <cstddef>
#include <memory_resource>
#include <new>
#include <numeric>

#include "../module/IKernel.h"
#include "../record/ImageRow.h"
#include "../record/RecordImage.h"
#include "ResortOrder.h"

namespace TopList {

namespace {

constexpr int kHourMs = 3600000;

// Flags, by row, the rows that can stay where they are: the longest run of
// `order` whose rows stand in their present order (longest increasing
// subsequence, by patience sorting).
std::pmr::vector<char> RowsThatStay(const std::pmr::vector<int>& order, int rows, std::pmr::memory_resource* memory) {
    std::pmr::vector<char> stays(static_cast<std::size_t>(rows), 0, memory);
    std::pmr::vector<int> tails(memory);  // tails[k]: where in order the best run of length k + 1 ends
    std::pmr::vector<int> previous(order.size(), -1, memory);
    tails.reserve(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto k = static_cast<std::size_t>(
            std::lower_bound(tails.begin(), tails.end(), order[i],
                             [&](int at, int row) { return order[static_cast<std::size_t>(at)] < row; }) -
            tails.begin());
        if (k > 0) previous[i] = tails[k - 1];
        if (k == tails.size()) {
            tails.push_back(static_cast<int>(i));
        } else {
            tails[k] = static_cast<int>(i);
        }
    }
    for (int at = tails.empty() ? -1 : tails.back(); at >= 0; at = previous[static_cast<std::size_t>(at)]) {
        stays[static_cast<std::size_t>(order[static_cast<std::size_t>(at)])] = 1;
    }
    return stays;
}

// Where `row` (an index of the list before the re-sort) stands now; -1 when gone.
int IndexOf(const std::pmr::vector<int>& now, int row) {
    const auto at = std::find(now.begin(), now.end(), row);
    return at == now.end() ? -1 : static_cast<int>(at - now.begin());
}

// Makes the list hold its rows in `order` (row indices of the list as it is),
// touching only the rows that do not stay. Rows the order drops leave first;
// then, top down by their new place, each row to move is taken out and put
// straight back below the row that comes before it in the new order. So at most
// one row is ever out of the list, and a list ranked by the re-sort's first key
// (as the lock finds it) stays ranked at every step: a stop or a shortage part
// way leaves a whole list that the next re-sort finishes.
void Rewrite(PubRecordHandle& handle, const RankedList& list, const std::pmr::vector<int>& order, int rows,
             std::pmr::memory_resource* memory) {
    const std::pmr::vector<char> stays = RowsThatStay(order, rows, memory);
    if (std::count(stays.begin(), stays.end(), 1) == rows) return;
    std::pmr::vector<char> kept(static_cast<std::size_t>(rows), 0, memory);
    for (const int row : order) kept[static_cast<std::size_t>(row)] = 1;
    std::pmr::vector<int> moving(memory);  // places in the new order whose rows move, top down
    std::pmr::vector<int> sources(memory);
    for (std::size_t at = 0; at < order.size(); ++at) {
        if (stays[static_cast<std::size_t>(order[at])] != 0) continue;
        moving.push_back(static_cast<int>(at));
        sources.push_back(order[at]);
    }
    const auto dropped = static_cast<std::size_t>(rows) - order.size();

    // A list shuffled through and through costs fewer calls read whole and written anew.
    const auto cols = list.columnTypes.size();
    if (moving.size() * (cols + 2) + dropped >= static_cast<std::size_t>(rows) * cols + order.size() + 1) {
        RecordImage all(memory);
        all.TakeAs(handle, list.columnTypes);
        handle.Clear();
        all.AppendRows(handle, order);
        return;
    }
    RecordImage moved(memory);
    moved.TakeRowsAs(handle, list.columnTypes, sources);

    std::pmr::vector<int> now(static_cast<std::size_t>(rows), memory);  // the list as it stands
    std::iota(now.begin(), now.end(), 0);
    bool shortage = false;
    // Each step is checked after a shortage (it may have been done) and tried once more.
    const auto remove = [&](int at) {
        const int before = static_cast<int>(now.size());
        try {
            handle.RemoveRow(at);
        } catch (const std::bad_alloc&) {
            shortage = true;
            if (handle.Rows() == before) handle.RemoveRow(at);
        }
        now.erase(now.begin() + at);
    };
    const auto putBack = [&](std::size_t image, int at) {
        const int without = static_cast<int>(now.size());
        bool placed = false;
        try {
            placed = handle.AddRow(at, ImageRow(moved, static_cast<int>(image))) >= 0;
        } catch (const std::bad_alloc&) {
            shortage = true;
        }
        // Refused or short of memory: cell by cell, from the image, needing no memory here.
        if (!placed) placed = moved.InsertRow(handle, static_cast<int>(image), at, without, shortage);
        if (placed) now.insert(now.begin() + at, sources[image]);
    };

    for (int at = rows - 1; at >= 0; --at) {
        if (kept[static_cast<std::size_t>(now[static_cast<std::size_t>(at)])] == 0) remove(at);
    }
    for (std::size_t i = 0; i < moving.size(); ++i) {
        remove(IndexOf(now, sources[i]));
        // Below the row before it in the new order (one refused twice is skipped).
        int at = 0;
        for (int before = moving[i] - 1; before >= 0; --before) {
            const int found = IndexOf(now, order[static_cast<std::size_t>(before)]);
            if (found >= 0) {
                at = found + 1;
                break;
            }
        }
        putBack(i, at);
    }
    if (shortage) throw std::bad_alloc();
}

}  // namespace

void ResortLocked(const LockedList& locked) {
    PubRecordHandle& handle = locked.Handle();
    const RankedList& list = locked.List();
    const int rows = handle.Rows();
    if (rows < 1) return;
    // What the re-sort keeps in memory; a list of 150 rows fits here.
    alignas(std::max_align_t) std::byte room[24576];
    std::pmr::monotonic_buffer_resource memory(room, sizeof room);
    RecordKeyCells cells(handle);
    std::pmr::vector<int> order = ResortOrder(rows, cells, list, &memory);
    if (order.size() > static_cast<std::size_t>(std::max(list.resortRows, 0))) {
        order.resize(static_cast<std::size_t>(list.resortRows));
    }
    Rewrite(handle, list, order, rows, &memory);
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
