#pragma once
// An in-memory registry with advapi32's semantics, for host tests. It passes
// the same contract suite as the real registry under Wine.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shared/platform.h"

namespace ambrel::testing {

class MemoryRegistry final : public IRegistryBackend {
public:
    MemoryRegistry();

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

    // Test conveniences (paths like "Software\\Ambrel 2.0\\Options").
    bool KeyExists(RegHandle root, const std::string& path) const;
    struct Value {
        std::uint32_t Type = 0;
        std::vector<std::uint8_t> Data;
    };
    // nullptr when the key or the value is missing.
    const Value* Find(RegHandle root, const std::string& path, const std::string& valueName) const;
    std::vector<std::string> ValueNames(RegHandle root, const std::string& path) const;
    void Put(RegHandle root, const std::string& path, const std::string& valueName, std::uint32_t type,
             std::vector<std::uint8_t> data);
    void PutString(RegHandle root, const std::string& path, const std::string& valueName, const std::string& text);
    void PutDword(RegHandle root, const std::string& path, const std::string& valueName, std::uint32_t number);
    // Makes every write below the root fail with ERROR_ACCESS_DENIED, as for a
    // user without the right to write HKEY_LOCAL_MACHINE.
    void DenyWrites(RegHandle root, bool deny = true);
    // Handles that were opened and not closed yet (predefined roots excluded).
    std::size_t OpenHandleCount() const { return m_handles.size(); }

private:
    struct Key;
    struct NoCaseLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    struct Key {
        std::map<std::string, std::unique_ptr<Key>, NoCaseLess> SubKeys;
        std::vector<std::pair<std::string, Value>> Values;  // in creation order
        RegHandle Root = 0;
        bool Deleted = false;
    };

    Key* Resolve(RegHandle handle) const;
    Key* Walk(Key* from, const std::string& path, bool create, long& status);
    const Key* WalkConst(RegHandle root, const std::string& path) const;
    bool WritesDenied(const Key* key) const;
    RegHandle NewHandle(Key* key);

    std::map<RegHandle, std::unique_ptr<Key>> m_roots;
    std::map<RegHandle, Key*> m_handles;
    std::map<RegHandle, bool> m_denied;
    std::vector<std::unique_ptr<Key>> m_graveyard;  // deleted keys that handles still name
    RegHandle m_nextHandle = 0x100;
};

}  // namespace ambrel::testing
