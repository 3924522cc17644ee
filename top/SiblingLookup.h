#pragma once
// Init's look-up of a sibling module by name.

class IKernel;
class IModule;

namespace TopList {

// The sibling, or null after the missing-sibling report: "Not exist <name>
// module!" and the location line (e.g. ".\\PlayerTopSystem (18)"), both to
// WriteTrace, then both to WriteLog.
IModule* FindSibling(IKernel* kernel, const char* name, const char* location);

}  // namespace TopList
