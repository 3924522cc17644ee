#pragma once
// The public data rules one server can check alone: spaces, the lock
// property's compare-and-set, records and their rows, a record removed and
// added again, reads by space name, the records the nation report reads, text
// lifetime, records that outlive a restart. Run once, from the first
// "BaseScene" "OnSystemInit", as the library sets its lists up there.
class IKernel;

namespace HostCheck {

struct Context;

// The space's index; negative (after a FAIL line) when the host gives none.
int RunPubDataChecks(IKernel* kernel, Context& context);

}  // namespace HostCheck
