// The in-memory store against the contract every public data store keeps.
#include "host/MemoryPubDataStore.h"
#include "support/StoreContract.h"

namespace {
struct MemoryStoreMaker {
    static std::unique_ptr<PubDataStore> Make() { return std::make_unique<MemoryPubDataStore>(); }
};
}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, StoreContract, MemoryStoreMaker);
