// The in-memory store against the contract every public data store keeps, and
// the image a server holds a list in (HeldListStore) over it.
#include "host/MemoryPubDataStore.h"
#include "support/ImagedStore.h"
#include "support/StoreContract.h"

namespace {
struct MemoryStoreMaker {
    static std::unique_ptr<PubDataStore> Make() { return std::make_unique<MemoryPubDataStore>(); }
};
struct ImageOverMemoryMaker {
    static constexpr bool kEveryCallTakesItsLock = true;
    static std::unique_ptr<PubDataStore> Make() {
        return std::make_unique<ImagedStore>(std::make_unique<MemoryPubDataStore>());
    }
};
}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, StoreContract, MemoryStoreMaker);
INSTANTIATE_TYPED_TEST_SUITE_P(ImageOverMemory, StoreContract, ImageOverMemoryMaker);
