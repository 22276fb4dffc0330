#pragma once
// An in-memory file system for host tests, with faults that can be injected:
// fail the n-th write or the n-th rename, or refuse to open a path.

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "shared/platform.h"

namespace ambrel::testing {

class MemoryFileSystem final : public IFileSystem {
public:
    MemoryFileSystem();

    std::unique_ptr<IFile> Open(const std::string& path, FileMode mode, long& error) override;
    long Remove(const std::string& path) override;
    long Rename(const std::string& from, const std::string& to) override;
    bool FileExists(const std::string& path) override;
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override;
    bool FolderExists(const std::string& path) override;
    long CreateFolder(const std::string& path) override;
    // Fails for a folder that holds files or folders, hidden ones too.
    long RemoveFolder(const std::string& path) override;

    // Folders must exist before files can be made in them; "C:" always does.
    void AddFolder(const std::string& path);
    void AddFile(const std::string& path, const std::string& content, bool hidden = false);
    // The file's bytes, or nullptr when there is no such file.
    const std::string* Content(const std::string& path) const;
    std::string ContentOr(const std::string& path, const std::string& missing = "<missing>") const;
    std::vector<std::string> AllFiles() const;

    // Faults. Calls are counted from 1 across all files, from the moment the
    // fault is set; 0 switches it off.
    void FailWriteNumber(int n) { m_failWrite = n; m_writes = 0; }
    void FailRenameNumber(int n) { m_failRename = n; m_renames = 0; }
    // Removing a file for which this returns a non-zero error fails with it.
    std::function<long(const std::string& path)> RemoveFault;
    // Opening a path for which this returns a non-zero error fails with it.
    std::function<long(const std::string& path, FileMode mode)> OpenFault;
    int WriteCalls() const { return m_writes; }
    int RenameCalls() const { return m_renames; }
    // Files currently open.
    int OpenFiles() const { return m_open; }

private:
    friend class MemoryFile;
    struct Node {
        std::string Data;
        bool Hidden = false;
    };
    static std::string Key(const std::string& path);
    static std::string Parent(const std::string& path);
    bool WriteAllowed();

    std::map<std::string, std::shared_ptr<Node>> m_files;  // by lower-case path
    std::map<std::string, std::string> m_names;            // lower-case path -> path as created
    std::set<std::string> m_folders;
    int m_failWrite = 0, m_writes = 0;
    int m_failRename = 0, m_renames = 0;
    int m_open = 0;
};

}  // namespace ambrel::testing
