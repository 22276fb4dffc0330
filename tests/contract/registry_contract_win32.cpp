#include "contract/registry_contract.h"
#include "win32/registry_win32.h"

namespace ambrel::testing {

std::unique_ptr<IRegistryBackend> MakeContractRegistry() { return std::make_unique<Win32Registry>(); }

}  // namespace ambrel::testing
