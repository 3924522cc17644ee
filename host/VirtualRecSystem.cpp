#include "VirtualRecSystem.h"

bool VirtualRecSystem::SendVirtualRecord(IKernel* /*kernel*/, const ObjectId& obj, const char* recName,
                                         const IVarList& values) {
    sent_.push_back(Sent{obj, recName != nullptr ? recName : "", CVarList(values)});
    return true;
}

std::vector<const VirtualRecSystem::Sent*> VirtualRecSystem::SentTo(const ObjectId& obj) const {
    std::vector<const Sent*> out;
    for (const Sent& s : sent_)
        if (s.obj == obj) out.push_back(&s);
    return out;
}
