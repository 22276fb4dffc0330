#pragma once
// The registry port over advapi32's ANSI functions.

#include "shared/platform.h"

namespace ambrel {

class Win32Registry final : public IRegistryBackend {
public:
    long OpenKey(RegHandle key, const std::string& subKey, RegHandle& result) override;
    long CreateKey(RegHandle key, const std::string& subKey, RegHandle& result) override;
    long CloseKey(RegHandle key) override;
    long DeleteKey(RegHandle key, const std::string& subKey) override;
    long DeleteValue(RegHandle key, const std::string& valueName) override;
    long QueryValue(RegHandle key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* dataSize) override;
    long SetValue(RegHandle key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t dataSize) override;
    long EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t nameSize) override;
    long EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* nameSize, std::uint32_t* type,
                   std::uint8_t* data, std::uint32_t* dataSize) override;
};

}  // namespace ambrel
