#pragma once
// The full re-sort of a ranked list, and the hourly heartbeat that runs it.
#include <cstdint>

#include "../Utility/ObjectId.h"
#include "LockedList.h"

class IKernel;

namespace TopList {

// Orders the rows by the list's re-sort keys and keeps one row per key (the one
// the list's rule picks), at most resortRows of them. Every row is read before
// the record is cleared, and written back even through a passing shortage.
void ResortLocked(const LockedList& locked);

// Takes the lock and re-sorts; a missing or empty list is left alone, unlocked.
void Resort(IKernel* kernel, const RankedList& list);

// The first home-scene load attaches the hourly re-sort to that scene (once)
// and re-sorts at once; later loads are only counted.
void StartHourlyResort(IKernel* kernel, const ObjectId& scene, const RankedList& list, std::int32_t& homeSceneLoads);

}  // namespace TopList
