#pragma once
// The rules that need two servers sharing one public data: a list's lock is
// held by one server at a time (compare-and-set atomic for all of them), a
// server that takes it sees every write made under it before (no per-server
// copy of public data), and all servers keep one time zone. Every server that
// runs the check at the same time (VOGAME_HOSTCHECK_SERVERS of them) meets the
// others in the check's space, takes one lock in turn many times, meets them
// again and compares.
class IKernel;

namespace HostCheck {

struct Context;

// Blocks the calling logic thread until the others arrive (30 s at most).
void RunSharedChecks(IKernel* kernel, Context& context, int spaceIndex);

}  // namespace HostCheck
