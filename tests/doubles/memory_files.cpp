#include "doubles/memory_files.h"

#include <algorithm>
#include <cstring>

#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel::testing {

class MemoryFile final : public IFile {
public:
    MemoryFile(MemoryFileSystem& fs, std::shared_ptr<MemoryFileSystem::Node> node, FileMode mode)
        : m_fs(fs), m_node(std::move(node)), m_mode(mode) {
        ++m_fs.m_open;
    }
    ~MemoryFile() override { --m_fs.m_open; }

    std::size_t Read(void* buffer, std::size_t size) override {
        if (m_mode == FileMode::CreateNew) return 0;
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

std::unique_ptr<IFile> MemoryFileSystem::Open(const std::string& path, FileMode mode, long& error) {
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
    if (it == m_files.end()) {
        if (mode == FileMode::Read) {
            error = m_folders.count(Parent(key)) ? kErrFileNotFound : kErrPathNotFound;
            return nullptr;
        }
        if (!m_folders.count(Parent(key))) {
            error = kErrPathNotFound;
            return nullptr;
        }
        it = m_files.emplace(key, std::make_shared<Node>()).first;
        m_names[key] = path;
    }
    if (mode == FileMode::CreateNew) it->second->Data.clear();
    error = 0;
    return std::make_unique<MemoryFile>(*this, it->second, mode);
}

long MemoryFileSystem::Remove(const std::string& path) {
    if (RemoveFault)
        if (long error = RemoveFault(path)) return error;
    std::string key = Key(path);
    if (!m_files.erase(key)) return m_folders.count(Parent(key)) ? kErrFileNotFound : kErrPathNotFound;
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
    auto node = it->second;
    m_files.erase(it);
    m_names.erase(source);
    m_files[target] = node;
    m_names[target] = to;
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
    m_folders.insert(key);
    return 0;
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
