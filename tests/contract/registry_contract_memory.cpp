#include "contract/registry_contract.h"
#include "doubles/memory_registry.h"

namespace ambrel::testing {

std::unique_ptr<IRegistryBackend> MakeContractRegistry() { return std::make_unique<MemoryRegistry>(); }

}  // namespace ambrel::testing
