#include "doubles/memory_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace ambrel::testing {

namespace {

constexpr long kErrorKeyDeleted = 1018;

std::string Upper(const std::string& s) {
    std::string u = s;
    std::transform(u.begin(), u.end(), u.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return u;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '\\') {
            if (!current.empty()) parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

bool IsRoot(RegHandle h) {
    return h == kRootClassesRoot || h == kRootCurrentUser || h == kRootLocalMachine || h == kRootUsers;
}

}  // namespace

bool MemoryRegistry::NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    return Upper(a) < Upper(b);
}

MemoryRegistry::MemoryRegistry() {
    for (RegHandle root : {kRootClassesRoot, kRootCurrentUser, kRootLocalMachine, kRootUsers}) {
        auto key = std::make_unique<Key>();
        key->Root = root;
        m_roots[root] = std::move(key);
    }
    // Like a real machine, both roots that the system uses hold a Software key.
    for (RegHandle root : {kRootCurrentUser, kRootLocalMachine}) {
        auto software = std::make_unique<Key>();
        software->Root = root;
        m_roots[root]->SubKeys.emplace("Software", std::move(software));
    }
}

MemoryRegistry::Key* MemoryRegistry::Resolve(RegHandle handle) const {
    if (auto root = m_roots.find(handle); root != m_roots.end()) return root->second.get();
    if (auto open = m_handles.find(handle); open != m_handles.end()) return open->second;
    return nullptr;
}

MemoryRegistry::Key* MemoryRegistry::Walk(Key* from, const std::string& path, bool create, long& status) {
    Key* key = from;
    for (const auto& part : SplitPath(path)) {
        auto it = key->SubKeys.find(part);
        if (it == key->SubKeys.end()) {
            if (!create) {
                status = kErrorFileNotFound;
                return nullptr;
            }
            if (WritesDenied(key)) {
                status = kErrorAccessDenied;
                return nullptr;
            }
            auto child = std::make_unique<Key>();
            child->Root = key->Root;
            it = key->SubKeys.emplace(part, std::move(child)).first;
        }
        key = it->second.get();
    }
    status = kErrorSuccess;
    return key;
}

const MemoryRegistry::Key* MemoryRegistry::WalkConst(RegHandle root, const std::string& path) const {
    Key* key = Resolve(root);
    if (!key) return nullptr;
    for (const auto& part : SplitPath(path)) {
        auto it = key->SubKeys.find(part);
        if (it == key->SubKeys.end()) return nullptr;
        key = it->second.get();
    }
    return key;
}

bool MemoryRegistry::WritesDenied(const Key* key) const {
    auto it = m_denied.find(key->Root);
    return it != m_denied.end() && it->second;
}

RegHandle MemoryRegistry::NewHandle(Key* key) {
    RegHandle handle = m_nextHandle;
    m_nextHandle += 4;
    m_handles[handle] = key;
    return handle;
}

long MemoryRegistry::OpenKey(RegHandle key, const std::string& subKey, RegHandle& result) {
    Key* from = Resolve(key);
    if (!from) return kErrorInvalidHandle;
    if (from->Deleted) return kErrorKeyDeleted;
    if (subKey.empty()) {
        result = key;
        return kErrorSuccess;
    }
    long status = kErrorSuccess;
    Key* found = Walk(from, subKey, false, status);
    if (!found) return status;
    result = NewHandle(found);
    return kErrorSuccess;
}

long MemoryRegistry::CreateKey(RegHandle key, const std::string& subKey, RegHandle& result) {
    Key* from = Resolve(key);
    if (!from) return kErrorInvalidHandle;
    if (from->Deleted) return kErrorKeyDeleted;
    long status = kErrorSuccess;
    Key* found = Walk(from, subKey, true, status);
    if (!found) return status;
    result = NewHandle(found);
    return kErrorSuccess;
}

long MemoryRegistry::CloseKey(RegHandle key) {
    if (IsRoot(key)) return kErrorSuccess;
    return m_handles.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

long MemoryRegistry::DeleteKey(RegHandle key, const std::string& subKey) {
    Key* from = Resolve(key);
    if (!from) return kErrorInvalidHandle;
    auto parts = SplitPath(subKey);
    if (parts.empty()) return kErrorAccessDenied;
    long status = kErrorSuccess;
    std::string leaf = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const auto& p : parts) parentPath += p + "\\";
    Key* parent = Walk(from, parentPath, false, status);
    if (!parent) return status;
    auto it = parent->SubKeys.find(leaf);
    if (it == parent->SubKeys.end()) return kErrorFileNotFound;
    if (!it->second->SubKeys.empty() || WritesDenied(parent)) return kErrorAccessDenied;
    // Open handles to the deleted key stay valid handles to a dead key.
    it->second->Deleted = true;
    m_graveyard.push_back(std::move(it->second));
    parent->SubKeys.erase(it);
    return kErrorSuccess;
}

long MemoryRegistry::DeleteValue(RegHandle key, const std::string& valueName) {
    Key* k = Resolve(key);
    if (!k) return kErrorInvalidHandle;
    if (k->Deleted) return kErrorKeyDeleted;
    auto it = std::find_if(k->Values.begin(), k->Values.end(),
                           [&](const auto& v) { return Upper(v.first) == Upper(valueName); });
    if (it == k->Values.end()) return kErrorFileNotFound;
    if (WritesDenied(k)) return kErrorAccessDenied;
    k->Values.erase(it);
    return kErrorSuccess;
}

long MemoryRegistry::QueryValue(RegHandle key, const std::string& valueName, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* dataSize) {
    Key* k = Resolve(key);
    if (!k) return kErrorInvalidHandle;
    if (k->Deleted) return kErrorKeyDeleted;
    if (data && !dataSize) return kErrorInvalidParameter;
    auto it = std::find_if(k->Values.begin(), k->Values.end(),
                           [&](const auto& v) { return Upper(v.first) == Upper(valueName); });
    if (it == k->Values.end()) return kErrorFileNotFound;
    const Value& value = it->second;
    if (type) *type = value.Type;
    auto needed = static_cast<std::uint32_t>(value.Data.size());
    if (data) {
        if (*dataSize < needed) {
            *dataSize = needed;
            return kErrorMoreData;
        }
        if (needed) std::memcpy(data, value.Data.data(), needed);
    }
    if (dataSize) *dataSize = needed;
    return kErrorSuccess;
}

long MemoryRegistry::SetValue(RegHandle key, const std::string& valueName, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t dataSize) {
    Key* k = Resolve(key);
    if (!k) return kErrorInvalidHandle;
    if (k->Deleted) return kErrorKeyDeleted;
    if (!data && dataSize) return kErrorInvalidParameter;
    if (WritesDenied(k)) return kErrorAccessDenied;
    Value value{type, std::vector<std::uint8_t>(data, data + dataSize)};
    auto it = std::find_if(k->Values.begin(), k->Values.end(),
                           [&](const auto& v) { return Upper(v.first) == Upper(valueName); });
    if (it == k->Values.end())
        k->Values.emplace_back(valueName, std::move(value));
    else
        it->second = std::move(value);
    return kErrorSuccess;
}

long MemoryRegistry::EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t nameSize) {
    Key* k = Resolve(key);
    if (!k) return kErrorInvalidHandle;
    if (k->Deleted) return kErrorKeyDeleted;
    if (index >= k->SubKeys.size()) return kErrorNoMoreItems;
    auto it = k->SubKeys.begin();
    std::advance(it, index);
    const std::string& keyName = it->first;
    if (keyName.size() + 1 > nameSize) return kErrorMoreData;
    std::memcpy(name, keyName.c_str(), keyName.size() + 1);
    return kErrorSuccess;
}

long MemoryRegistry::EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                               std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    Key* k = Resolve(key);
    if (!k) return kErrorInvalidHandle;
    if (k->Deleted) return kErrorKeyDeleted;
    if (!nameSize || (data && !dataSize)) return kErrorInvalidParameter;
    if (index >= k->Values.size()) return kErrorNoMoreItems;
    const auto& [valueName, value] = k->Values[index];
    auto needed = static_cast<std::uint32_t>(value.Data.size());
    if (valueName.size() + 1 > *nameSize) return kErrorMoreData;
    if (data && needed > *dataSize) {
        *dataSize = needed;
        return kErrorMoreData;
    }
    std::memcpy(name, valueName.c_str(), valueName.size() + 1);
    *nameSize = static_cast<std::uint32_t>(valueName.size());
    if (type) *type = value.Type;
    if (data && needed) std::memcpy(data, value.Data.data(), needed);
    if (dataSize) *dataSize = needed;
    return kErrorSuccess;
}

bool MemoryRegistry::KeyExists(RegHandle root, const std::string& path) const {
    return WalkConst(root, path) != nullptr;
}

const MemoryRegistry::Value* MemoryRegistry::Find(RegHandle root, const std::string& path,
                                                  const std::string& valueName) const {
    const Key* k = WalkConst(root, path);
    if (!k) return nullptr;
    for (const auto& [n, v] : k->Values)
        if (Upper(n) == Upper(valueName)) return &v;
    return nullptr;
}

std::vector<std::string> MemoryRegistry::ValueNames(RegHandle root, const std::string& path) const {
    std::vector<std::string> names;
    if (const Key* k = WalkConst(root, path))
        for (const auto& [n, v] : k->Values) names.push_back(n);
    return names;
}

void MemoryRegistry::Put(RegHandle root, const std::string& path, const std::string& valueName, std::uint32_t type,
                         std::vector<std::uint8_t> data) {
    long status = kErrorSuccess;
    bool denied = m_denied[root];
    m_denied[root] = false;
    Key* k = Walk(Resolve(root), path, true, status);
    m_denied[root] = denied;
    auto it = std::find_if(k->Values.begin(), k->Values.end(),
                           [&](const auto& v) { return Upper(v.first) == Upper(valueName); });
    Value value{type, std::move(data)};
    if (it == k->Values.end())
        k->Values.emplace_back(valueName, std::move(value));
    else
        it->second = std::move(value);
}

void MemoryRegistry::PutString(RegHandle root, const std::string& path, const std::string& valueName,
                               const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    Put(root, path, valueName, kRegSz, std::move(data));
}

void MemoryRegistry::PutDword(RegHandle root, const std::string& path, const std::string& valueName,
                              std::uint32_t number) {
    Put(root, path, valueName, kRegDword,
        {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
         static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)});
}

void MemoryRegistry::DenyWrites(RegHandle root, bool deny) { m_denied[root] = deny; }

}  // namespace ambrel::testing
