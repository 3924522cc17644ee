#include "SharedChecks.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "../Utility/CVarList.h"
#include "../Utility/KernelClock.h"
#include "../Utility/Platform.h"
#include "../module/ValueType.h"
#include "../Utility/WideText.h"
#include "../module/IKernel.h"
#include "CheckContext.h"

namespace HostCheck {

namespace {

constexpr const char* kArrivals = "HostCheckArrivals";  // one row per server and run: token, id, clock
constexpr const char* kDone = "HostCheckDone";          // one row per server and run, once its turns are over
constexpr const char* kLock = "HostCheckSharedLock";
constexpr int kMeetingRows = 4096;
constexpr int kTurns = 1000;                      // lock takes per server, at least
constexpr std::int64_t kTurnsNs = 300'000'000;    // and for this long at least, so that the servers overlap
constexpr std::int64_t kWaitNs = 30'000'000'000;  // for the others to arrive
constexpr std::int64_t kLockWaitNs = 10'000'000'000;
constexpr int kSameZoneSeconds = 300;  // clocks further apart than this keep different zones

std::string Number(long long n) { return std::to_string(n); }

class Meeting {
public:
    Meeting(IKernel* kernel, Context& context, int index) : k_(kernel), c_(context), index_(index) {}

    void Run() {
        Rule exclusion("lock-exclusion", Number(c_.servers) + " servers took one lock in turn, " + Number(kTurns) +
                                             " times or more each, never two at once");
        Rule visibility("lock-visibility",
                        "a counter raised under the lock on every take ends at the number of "
                        "takes of all servers: each take saw every earlier write");
        Rule zone("one-time-zone",
                  "the servers' local clocks agree within " + Number(kSameZoneSeconds) + " s (one time zone)");
        int first = 0;
        if (!Arrive(kArrivals, true, first, exclusion)) {
            exclusion.Report(c_.results, k_);
            c_.results.Skip(k_, "lock-visibility", "not checked: the servers did not meet");
            c_.results.Skip(k_, "one-time-zone", "not checked: the servers did not meet");
            return;
        }
        const int id = me_ + 1;  // unique among the servers of this run
        const int round = first / c_.servers;
        const std::string counter = std::string("HostCheckCounter") + Number(round);
        const std::string previous = std::string("HostCheckCounter") + Number(round - 1);
        const int turns = TakeTurns(counter, previous, id, exclusion);
        // The takes and the clock as the others will count and compare them, before the second meeting.
        k_->SetPubRecordInt(index_, kArrivals, me_, 1, turns);
        k_->SetPubRecordInt(index_, kArrivals, me_, 2, static_cast<int>(CurrentTime(k_, false) - kEpoch2020));
        int done = 0;
        if (!Arrive(kDone, false, done, visibility)) {
            exclusion.Report(c_.results, k_);
            visibility.Report(c_.results, k_);
            c_.results.Skip(k_, "one-time-zone", "not checked: the servers did not meet after their turns");
            return;
        }
        const int total = k_->QueryPubRecordInt(index_, counter.c_str(), 0, 0);
        int expected = 0;
        for (int row = first; row < first + c_.servers; ++row)
            expected += k_->QueryPubRecordInt(index_, kArrivals, row, 1);
        if (exclusion.Failed()) {
            exclusion.Report(c_.results, k_);
            c_.results.Skip(k_, "lock-visibility", "not checked: two servers held the lock at once (lock-exclusion)");
            CompareClocks(first, zone);
            zone.Report(c_.results, k_);
            return;
        }
        visibility.Expect(total == expected,
                          "a counter raised by 1 under the lock on every take ends at " + Number(total) + ", not " +
                              Number(expected) +
                              ": a server that took the lock did not see every write made under it before "
                              "(public data copied per server, or a compare-and-set that is not atomic)");
        CompareClocks(first, zone);
        exclusion.Report(c_.results, k_);
        visibility.Report(c_.results, k_);
        zone.Report(c_.results, k_);
    }

private:
    // Appends this server's row to a meeting record and waits for a row from
    // each of the others of its run; first is this run's first row. The rows
    // come from appends, which need no lock, so a broken compare-and-set does
    // not keep the servers from meeting.
    bool Arrive(const char* record, bool arrivals, int& first, Rule& rule) {
        if (k_->AddPubRecord(index_, record, kMeetingRows, 3)) {
            k_->SetPubRecordColType(index_, record, 0, VT_WIDESTR);
            k_->SetPubRecordColType(index_, record, 1, VT_INT);
            k_->SetPubRecordColType(index_, record, 2, VT_INT);
        }
        const std::int64_t start = Platform::MonotonicNanoseconds();
        while (k_->GetPubRecordColType(index_, record, 2) != VT_INT) {  // another server is still making it
            if (Platform::MonotonicNanoseconds() - start > kWaitNs) {
                return rule.Expect(false, std::string("the meeting record ") + record + " never got its columns");
            }
            Platform::SleepMicroseconds(1000);
        }
        CVarList row;
        row.PushWideString(StringToWide(c_.token).c_str());
        row.PushInt(0);
        row.PushInt(0);
        int at = k_->AddPubRecordRowValue(index_, record, -1, row);
        if (at < 0) {  // full after many runs: start again
            k_->ClearPubRecord(index_, record);
            at = k_->AddPubRecordRowValue(index_, record, -1, row);
        }
        if (!rule.Expect(at >= 0, std::string("cannot append to the meeting record ") + record)) return false;
        if (arrivals) me_ = at;
        first = at / c_.servers * c_.servers;
        const int needed = first + c_.servers;
        for (;;) {
            const int rows = k_->GetPubRecordRows(index_, record);
            if (rows >= needed) return true;
            if (Platform::MonotonicNanoseconds() - start > kWaitNs) {
                return rule.Expect(false, "only " + Number(std::max(rows - first, 1)) + " of " + Number(c_.servers) +
                                              " servers (" + kServersVariable +
                                              ") arrived within 30 s: start the "
                                              "check on every server sharing the public data at the same time");
            }
            Platform::SleepMicroseconds(1000);
        }
    }

    // Takes the lock kTurns times at least, and for kTurnsNs at least; the takes made.
    int TakeTurns(const std::string& counter, const std::string& previous, int id, Rule& rule) {
        if (!k_->FindPubProperty(index_, kLock)) {
            k_->AddPubProperty(index_, kLock, VT_INT);
            k_->SetPubPropertySave(index_, kLock, false);
        }
        const char* rec = counter.c_str();
        const std::int64_t begin = Platform::MonotonicNanoseconds();
        int turn = 0;
        for (; turn < kTurns || Platform::MonotonicNanoseconds() - begin < kTurnsNs; ++turn) {
            const std::int64_t start = Platform::MonotonicNanoseconds();
            while (!k_->CompareSetPubPropertyInt(index_, kLock, 0, 1)) {
                if (Platform::MonotonicNanoseconds() - start > kLockWaitNs) {
                    rule.Expect(false, "the shared lock stayed taken for 10 s while another server took turns with it");
                    return turn;
                }
                Platform::YieldThread();
            }
            // The first holder of this run makes the counter and drops the last run's.
            if (k_->GetPubRecordRows(index_, rec) < 0 && k_->AddPubRecord(index_, rec, 1, 2)) {
                k_->RemovePubRecord(index_, previous.c_str());
                k_->SetPubRecordColType(index_, rec, 0, VT_INT);
                k_->SetPubRecordColType(index_, rec, 1, VT_INT);
                CVarList zero;
                zero.PushInt(0);
                zero.PushInt(0);
                k_->AddPubRecordRowValue(index_, rec, -1, zero);
            }
            const int seen = k_->QueryPubRecordInt(index_, rec, 0, 0);
            k_->SetPubRecordInt(index_, rec, 0, 1, id);
            Platform::YieldThread();  // a second holder, if there is one, runs now
            const int holder = k_->QueryPubRecordInt(index_, rec, 0, 1);
            rule.Expect(holder == id,
                        "while this server held the lock (compare-and-set 0 to 1 had said yes), another "
                        "server took it too and wrote under it: compare-and-set is not atomic among "
                        "the servers");
            k_->SetPubRecordInt(index_, rec, 0, 0, seen + 1);
            rule.Expect(
                k_->CompareSetPubPropertyInt(index_, kLock, 1, 0),
                "compare-and-set 1 to 0 failed for the holder of the lock: another server changed it meanwhile");
        }
        return turn;
    }

    void CompareClocks(int first, Rule& rule) {
        int low = 0, high = 0;
        for (int row = first; row < first + c_.servers; ++row) {
            const int t = k_->QueryPubRecordInt(index_, kArrivals, row, 2);
            if (row == first || t < low) low = t;
            if (row == first || t > high) high = t;
        }
        rule.Expect(high - low <= kSameZoneSeconds,
                    "the servers' clocks read local times " + Number(high - low) +
                        " s apart at one moment: every server must keep one time zone (TZ), or they pay the daily "
                        "prize and reset the streaks at different hours");
    }

    IKernel* k_;
    Context& c_;
    int index_;
    int me_ = 0;
};

}  // namespace

void RunSharedChecks(IKernel* kernel, Context& context, int spaceIndex) {
    if (context.servers < 2) {
        for (const char* rule : {"lock-exclusion", "lock-visibility", "one-time-zone"}) {
            context.results.Skip(
                kernel, rule,
                std::string("not checked: one server; with two or more sharing one public data, set ") +
                    kServersVariable + " to their number on each and start them together");
        }
        return;
    }
    Meeting(kernel, context, spaceIndex).Run();
}

}  // namespace HostCheck
