#pragma once
// The sibling that hands virtual records to objects: it keeps every record it was
// asked to send, per object, in order.
#include <string>
#include <vector>

#include "HostKernel.h"
#include "module/IVirtualRecSystem.h"

class VirtualRecSystem final : public IVirtualRecSystem {
public:
    VOGAME_DELETING_DESTRUCTOR(VirtualRecSystem)
    struct Sent {
        ObjectId obj;
        std::string recName;
        CVarList values;
    };

    bool SendVirtualRecord(IKernel* kernel, const ObjectId& obj, const char* recName, const IVarList& values) override;

    const std::vector<Sent>& AllSent() const noexcept { return sent_; }
    std::vector<const Sent*> SentTo(const ObjectId& obj) const;
    void Clear() { sent_.clear(); }

private:
    std::vector<Sent> sent_;
};
