#pragma once
// The full re-sort of a ranked list, and the hourly heartbeat that runs it.
#include <cstdint>

#include "../module/ObjectId.h"
#include "LockedList.h"

class IKernel;

namespace TopList {

// Orders the rows by the list's re-sort keys and keeps one row per key (the one
// the list's rule picks), at most resortRows of them (ResortOrder.h). The list
// ends exactly as emptying it and appending the rows in that order would leave
// it, but only rows out of place are touched: the ranking keys are read first
// (a later key only where the earlier ones tie), the longest run of rows already
// in order stays where it is, and every other row is read whole, then taken out
// and put back at its place one at a time; rows the order drops leave. Nothing
// is written before everything needed is read; a row once out goes back even
// through a passing shortage (cell by cell, no memory needed in the library),
// and the shortage is then passed on.
void ResortLocked(const LockedList& locked);

// Takes the lock and re-sorts; a missing or empty list is left alone, unlocked.
void Resort(IKernel* kernel, const RankedList& list);

// The first home-scene load attaches the hourly re-sort to that scene (once)
// and re-sorts at once; later loads are only counted.
void StartHourlyResort(IKernel* kernel, const ObjectId& scene, const RankedList& list, std::int32_t& homeSceneLoads);

}  // namespace TopList
