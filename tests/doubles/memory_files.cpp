#include "doubles/memory_files.h"

#include <algorithm>
#include <cstring>

#include "shared/FileTrust.h"
#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel::testing {


namespace {

constexpr std::uint32_t kFullAccess = 0x1F01FF;    // FA
constexpr std::uint32_t kGenericRead = 0x120089;   // FR
constexpr std::uint32_t kCreatorRights = 0x13019f;  // read, write, delete; no permission change
constexpr std::uint32_t kReadData = 0x1;

std::uint32_t RightsFor(FileMode mode) {
    switch (mode) {
        case FileMode::Read: return kReadData;
        case FileMode::Append: return kAccessAppendData;
        case FileMode::Random: return kReadData | kAccessWriteData | kAccessAppendData;
        case FileMode::Update: return kReadData | kAccessWriteData;
        case FileMode::CreateNew: return kAccessWriteData;
    }
    return kFullAccess;
}

}  // namespace

class MemoryFile final : public IFile {
public:
    MemoryFile(MemoryFileSystem& fs, std::shared_ptr<MemoryFileSystem::Node> node, FileMode mode)
        : m_fs(fs), m_node(std::move(node)), m_mode(mode) {
        ++m_fs.m_open;
    }

    bool Security(ObjectSecurity& security) override {
        security = m_node->Security;
        return true;
    }
    ~MemoryFile() override { --m_fs.m_open; }

    std::size_t Read(void* buffer, std::size_t size) override {
        if (m_mode == FileMode::CreateNew || m_mode == FileMode::Append) return 0;
        const std::string& data = m_node->Data;
        if (m_pos >= data.size()) return 0;
        std::size_t n = std::min<std::size_t>(size, data.size() - m_pos);
        std::memcpy(buffer, data.data() + m_pos, n);
        m_pos += n;
        return n;
    }

    bool Write(const void* bytes, std::size_t size) override {
        if (m_mode == FileMode::Read || !m_fs.WriteAllowed()) return false;
        std::string& data = m_node->Data;
        // Rewriting in place may not make the file longer.
        if (m_mode == FileMode::Update && m_pos + size > data.size()) return false;
        if (m_mode == FileMode::Append) m_pos = data.size();
        if (data.size() < m_pos + size) data.resize(m_pos + size, '\0');
        std::memcpy(data.data() + m_pos, bytes, size);
        m_pos += size;
        return true;
    }

    bool Seek(std::uint64_t offset) override {
        m_pos = static_cast<std::size_t>(offset);
        return true;
    }
    std::uint64_t Size() override { return m_node->Data.size(); }
    bool Flush() override { return true; }

private:
    MemoryFileSystem& m_fs;
    std::shared_ptr<MemoryFileSystem::Node> m_node;
    FileMode m_mode;
    std::size_t m_pos = 0;
};

MemoryFileSystem::MemoryFileSystem() { m_folders.insert("c:"); }

std::string MemoryFileSystem::Key(const std::string& path) {
    std::string key = LCase(path);
    std::replace(key.begin(), key.end(), '/', '\\');
    while (key.size() > 1 && key.back() == '\\') key.pop_back();
    return key;
}

std::string MemoryFileSystem::Parent(const std::string& path) {
    auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool MemoryFileSystem::WriteAllowed() {
    ++m_writes;
    return !(m_failWrite > 0 && m_writes == m_failWrite);
}

ObjectSecurity MemoryFileSystem::Made(FileProtection protection, const std::string& path) const {
    ObjectSecurity made;
    if (!m_keep) return made;
    made.Kept = true;
    made.FinalPath = path;
    // An administrator's files belong to Administrators, as the system's
    // default owner for an elevated administrator has it.
    const std::string maker = m_me.Administrator ? kSidAdministrators : m_me.UserSid;
    made.OwnerSid = maker;
    made.Grants = {{kSidSystem, kFullAccess}, {kSidAdministrators, kFullAccess}};
    switch (protection) {
        case FileProtection::Inherit:
        case FileProtection::Private:
            made.Grants.push_back({maker, kCreatorRights});
            made.Grants.push_back({"S-1-3-4", kCreatorRights});
            break;
        case FileProtection::SharedReadOnly:
            made.OwnerSid = kSidAdministrators;
            made.Grants.push_back({kSidUsers, kGenericRead});
            break;
        case FileProtection::SharedRecords:
            made.OwnerSid = kSidAdministrators;
            made.Grants.push_back({kSidUsers, kGenericRead | kAccessWriteData});
            break;
    }
    return made;
}

bool MemoryFileSystem::Allows(const ObjectSecurity& security, std::uint32_t rights) const {
    if (!m_keep || !security.Kept || m_me.Administrator) return true;
    if (!security.HasDacl) return true;
    std::uint32_t granted = 0;
    for (const AccessGrant& grant : security.Grants) {
        const bool mine = grant.Sid == m_me.UserSid || grant.Sid == kSidUsers || grant.Sid == "S-1-1-0" ||
                          grant.Sid == "S-1-5-11" || (grant.Sid == "S-1-3-4" && security.OwnerSid == m_me.UserSid);
        if (mine) granted |= (grant.Mask & kAccessGenericAll) ? kFullAccess : grant.Mask;
    }
    return (rights & granted) == rights;
}

bool MemoryFileSystem::MayRemove(const std::string& key) const {
    auto file = m_files.find(key);
    if (file != m_files.end() && Allows(file->second->Security, kAccessDelete)) return true;
    auto folder = m_folderSecurity.find(Parent(key));
    return folder != m_folderSecurity.end() ? Allows(folder->second, kAccessDeleteChild) : !m_keep || m_me.Administrator;
}

std::unique_ptr<IFile> MemoryFileSystem::Open(const std::string& path, FileMode mode, long& error,
                                              FileProtection protection) {
    std::string key = Key(path);
    if (OpenFault) {
        if (long fault = OpenFault(path, mode)) {
            error = fault;
            return nullptr;
        }
    }
    if (Trim(path).empty()) {
        error = kErrBadFileNameOrNumber;
        return nullptr;
    }
    if (m_folders.count(key)) {
        error = kErrPathFileAccess;
        return nullptr;
    }
    auto it = m_files.find(key);
    if (it != m_files.end() && mode == FileMode::CreateNew) {
        error = kErrFileAlreadyExists;
        return nullptr;
    }
    if (it == m_files.end()) {
        if (mode == FileMode::Read || mode == FileMode::Update) {
            error = m_folders.count(Parent(key)) ? kErrFileNotFound : kErrPathNotFound;
            return nullptr;
        }
        if (!m_folders.count(Parent(key))) {
            error = kErrPathNotFound;
            return nullptr;
        }
        auto folder = m_folderSecurity.find(Parent(key));
        const bool sharedOwner = protection == FileProtection::SharedReadOnly || protection == FileProtection::SharedRecords;
        if ((folder != m_folderSecurity.end() && !Allows(folder->second, kAccessWriteData)) ||
            (m_keep && sharedOwner && !m_me.Administrator)) {
            // Nobody but an administrator may make Administrators a file's owner.
            error = kErrPermissionDenied;
            return nullptr;
        }
        auto node = std::make_shared<Node>();
        node->Security = Made(protection, path);
        it = m_files.emplace(key, node).first;
        m_names[key] = path;
        CreatedWith[key] = protection;
    } else if (!Allows(it->second->Security, RightsFor(mode))) {
        error = kErrPermissionDenied;
        return nullptr;
    }
    error = 0;
    return std::make_unique<MemoryFile>(*this, it->second, mode);
}

long MemoryFileSystem::Remove(const std::string& path) {
    if (RemoveFault)
        if (long error = RemoveFault(path)) return error;
    std::string key = Key(path);
    if (!m_files.count(key)) return m_folders.count(Parent(key)) ? kErrFileNotFound : kErrPathNotFound;
    if (!MayRemove(key)) return kErrPermissionDenied;
    m_files.erase(key);
    m_names.erase(key);
    return 0;
}

long MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
    ++m_renames;
    if (m_failRename > 0 && m_renames == m_failRename) return kErrPathFileAccess;
    std::string source = Key(from), target = Key(to);
    auto it = m_files.find(source);
    if (it == m_files.end()) return kErrFileNotFound;
    if (!m_folders.count(Parent(target))) return kErrPathNotFound;
    if (m_renameKeepsTarget && m_files.count(target) && target != source) return kErrFileAlreadyExists;
    if (!MayRemove(source) || (m_files.count(target) && !MayRemove(target))) return kErrPermissionDenied;
    auto node = it->second;
    m_files.erase(it);
    m_names.erase(source);
    m_files[target] = node;
    m_names[target] = to;
    if (node->Security.Kept) node->Security.FinalPath = to;
    return 0;
}

bool MemoryFileSystem::FileExists(const std::string& path) { return m_files.count(Key(path)) > 0; }

bool MemoryFileSystem::ListFiles(const std::string& folder, std::vector<std::string>& names) {
    std::string key = Key(folder);
    if (!m_folders.count(key)) return false;
    names.clear();
    for (const auto& [path, node] : m_files) {
        if (Parent(path) != key || node->Hidden) continue;
        const std::string& shown = m_names[path];
        names.push_back(shown.substr(shown.find_last_of('\\') + 1));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return LCase(a) < LCase(b); });
    return true;
}

bool MemoryFileSystem::FolderExists(const std::string& path) { return m_folders.count(Key(path)) > 0; }

long MemoryFileSystem::CreateFolder(const std::string& path) {
    std::string key = Key(path);
    if (m_folders.count(key) || m_files.count(key)) return kErrPathFileAccess;
    if (!m_folders.count(Parent(key))) return kErrPathNotFound;
    auto parent = m_folderSecurity.find(Parent(key));
    if (parent != m_folderSecurity.end() && !Allows(parent->second, kAccessAppendData)) return kErrPermissionDenied;
    m_folders.insert(key);
    if (m_keep) m_folderSecurity[key] = Made(FileProtection::Inherit, path);
    return 0;
}

bool MemoryFileSystem::FolderSecurity(const std::string& path, ObjectSecurity& security, long& error) {
    const std::string key = Key(path);
    if (!m_folders.count(key)) {
        error = m_files.count(key) ? kErrPathFileAccess : kErrPathNotFound;
        return false;
    }
    auto it = m_folderSecurity.find(key);
    if (it != m_folderSecurity.end()) {
        security = it->second;
    } else {
        security = {};
        if (m_keep) {
            // A folder nobody set: an administrator's where users may list
            // and add files, as the setup program makes the data folder.
            security.Kept = true;
            security.OwnerSid = kSidAdministrators;
            security.Grants = {{kSidSystem, kFullAccess}, {kSidAdministrators, kFullAccess}, {kSidUsers, 0x1200ab}};
        }
    }
    if (security.Kept && security.FinalPath.empty()) security.FinalPath = path;
    error = 0;
    return true;
}

std::string MemoryFileSystem::AccountName(const std::string& sid) {
    if (sid == kSidAdministrators) return "BUILTIN\\Administrators";
    if (sid == kSidUsers) return "BUILTIN\\Users";
    if (sid == kSidSystem) return "NT AUTHORITY\\SYSTEM";
    if (sid == "S-1-1-0") return "Everyone";
    if (sid == "S-1-5-11") return "NT AUTHORITY\\Authenticated Users";
    auto it = AccountNames.find(sid);
    return it != AccountNames.end() ? it->second : sid;
}

void MemoryFileSystem::SetSecurity(const std::string& path, const ObjectSecurity& security) {
    const std::string key = Key(path);
    if (m_folders.count(key)) {
        m_folderSecurity[key] = security;
        return;
    }
    auto it = m_files.find(key);
    if (it != m_files.end()) it->second->Security = security;
}

ObjectSecurity MemoryFileSystem::SecurityOf(const std::string& path) {
    const std::string key = Key(path);
    ObjectSecurity security;
    long error = 0;
    if (m_folders.count(key)) {
        FolderSecurity(path, security, error);
        return security;
    }
    auto it = m_files.find(key);
    return it != m_files.end() ? it->second->Security : ObjectSecurity{};
}

long MemoryFileSystem::RemoveFolder(const std::string& path) {
    std::string key = Key(path);
    if (!m_folders.count(key)) return kErrPathNotFound;
    for (const auto& [file, node] : m_files)
        if (Parent(file) == key) return kErrPathFileAccess;
    for (const std::string& folder : m_folders)
        if (Parent(folder) == key) return kErrPathFileAccess;
    m_folders.erase(key);
    return 0;
}

void MemoryFileSystem::AddFolder(const std::string& path) {
    std::string key = Key(path);
    while (!key.empty()) {
        m_folders.insert(key);
        key = Parent(key);
    }
}

void MemoryFileSystem::AddFile(const std::string& path, const std::string& content, bool hidden) {
    AddFolder(Parent(path));
    auto node = std::make_shared<Node>();
    node->Data = content;
    node->Hidden = hidden;
    node->Security = Made(FileProtection::Inherit, path);
    m_files[Key(path)] = node;
    m_names[Key(path)] = path;
}

const std::string* MemoryFileSystem::Content(const std::string& path) const {
    auto it = m_files.find(Key(path));
    return it == m_files.end() ? nullptr : &it->second->Data;
}

std::string MemoryFileSystem::ContentOr(const std::string& path, const std::string& missing) const {
    const std::string* content = Content(path);
    return content ? *content : missing;
}

std::vector<std::string> MemoryFileSystem::AllFiles() const {
    std::vector<std::string> all;
    for (const auto& [key, name] : m_names) all.push_back(name);
    return all;
}

}  // namespace ambrel::testing
