#pragma once
// The in-memory store with faults a real host's public data may have, each
// switched on alone, to prove that the host check catches it:
// - a compare-and-set that is not atomic: read, then (after a yield) write;
// - a record that cannot be added again once removed (the name stays taken);
// - a bound on record rows below the lists' 150.
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "Utility/Platform.h"
#include "host/MemoryPubDataStore.h"

class FaultyPubDataStore final : public MemoryPubDataStore {
public:
    bool nonAtomicCompareSet = false;
    bool noReAdd = false;
    int maxRecordRows = 0;  // 0: the store's own bound

    bool CompareSetPropertyInt(int index, std::string_view name, int expected, int desired) override {
        if (!nonAtomicCompareSet) return MemoryPubDataStore::CompareSetPropertyInt(index, name, expected, desired);
        if (!FindProperty(index, name) || PropertyInt(index, name) != expected) return false;
        Platform::YieldThread();  // another server may read the same value meanwhile
        return SetPropertyInt(index, name, desired);
    }

    bool AddRecord(int index, std::string_view rec, int maxRows, int cols) override {
        if (maxRecordRows > 0 && maxRows > maxRecordRows) {
            Diagnostics().Add("AddPubRecord " + std::string(rec) + ": " + std::to_string(maxRows) +
                              " rows is beyond this store's bound of " + std::to_string(maxRecordRows));
            return false;
        }
        if (noReAdd && Removed(index, rec)) return false;
        return MemoryPubDataStore::AddRecord(index, rec, maxRows, cols);
    }

    bool RemoveRecord(int index, std::string_view rec) override {
        const bool removed = MemoryPubDataStore::RemoveRecord(index, rec);
        if (removed) {
            const std::lock_guard<std::mutex> lock(mutex_);
            removed_.emplace(index, std::string(rec));
        }
        return removed;
    }

private:
    bool Removed(int index, std::string_view rec) {
        const std::lock_guard<std::mutex> lock(mutex_);
        return removed_.count({index, std::string(rec)}) != 0;
    }

    std::mutex mutex_;
    std::set<std::pair<int, std::string>> removed_;
};
