#pragma once
// The registry contract: what the system relies on from the registry. The same
// suite runs against the in-memory double (host) and advapi32 (Wine).

#include <memory>

#include "shared/platform.h"

namespace ambrel::testing {

// Provided by each tree's contract program.
std::unique_ptr<IRegistryBackend> MakeContractRegistry();

}  // namespace ambrel::testing
