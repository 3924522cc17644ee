#include "PubDataStore.h"

#include "TypedTable.h"

bool PubDataStore::SeedFits(int maxRows, const std::vector<int>& colTypes,
                            const std::vector<std::vector<HostValue>>& rows) {
    if (colTypes.empty() || !TypedTable::ShapeRefusal(maxRows, static_cast<int>(colTypes.size())).empty()) return false;
    for (int type : colTypes)
        if (!IsStorableType(type)) return false;
    for (const auto& row : rows) {
        if (row.size() != colTypes.size()) return false;
        for (std::size_t i = 0; i < row.size(); ++i)
            if (!TypeFits(colTypes[i], TypeOfValue(row[i]))) return false;
    }
    return true;
}

bool PubDataStore::SetReleaseHook(ReleaseHook /*hook*/) { return false; }
bool PubDataStore::SetGrantHook(GrantHook /*hook*/) { return false; }

void PubDataStore::Refuse(std::string_view op, std::u16string_view space, int index, std::string_view what,
                          std::string_view why) const {
    std::string line(op);
    line += ' ';
    if (!space.empty()) {
        // Space names are ASCII in practice; anything else shows as '?'.
        for (char16_t c : space) line.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    } else {
        line += "#" + std::to_string(index);
    }
    if (!what.empty()) line.append("/").append(what);
    line.append(": ").append(why);
    diagnostics_.Add(std::move(line));
}

namespace {
constexpr std::string_view kLockSuffix = "PubLock";
thread_local int t_caller = 0;
}  // namespace

PubDataStore::CallerScope::CallerScope(int server) noexcept : previous_(t_caller) { t_caller = server; }
PubDataStore::CallerScope::~CallerScope() { t_caller = previous_; }
int PubDataStore::Caller() noexcept { return t_caller; }

std::string_view PubDataStore::GuardedRecord(std::string_view lock) noexcept {
    if (lock.size() <= kLockSuffix.size() || lock.substr(lock.size() - kLockSuffix.size()) != kLockSuffix) return {};
    return lock.substr(0, lock.size() - kLockSuffix.size());
}

std::string PubDataStore::ClaimOf(std::string_view lock) { return std::string(lock) + "Takeover"; }
