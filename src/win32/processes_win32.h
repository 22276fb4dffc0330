#pragma once
// Starting and watching programs over the Win32 API.

#include <cstdint>
#include <map>

#include "shared/platform.h"

namespace ambrel {

class Win32ProcessLauncher final : public IProcessLauncher {
public:
    ~Win32ProcessLauncher() override;
    bool Start(const std::string& commandLine, int showState, std::uint32_t& processId, long& error) override;
    bool StartProgram(const std::string& program, const std::string& arguments, int showState,
                      std::uint32_t& processId, long& error) override;
    bool RunElevatedAndWait(const std::string& program, const std::string& arguments, long& error) override;
    std::unique_ptr<IRunningProcess> Open(std::uint32_t processId) override;

private:
    // The handle CreateProcessA gave, kept until the process is opened, so its
    // id cannot be reused by another process in between.
    std::map<std::uint32_t, void*> m_started;
};

}  // namespace ambrel
