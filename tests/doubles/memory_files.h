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

    std::unique_ptr<IFile> Open(const std::string& path, FileMode mode, long& error,
                                FileProtection protection = FileProtection::Inherit) override;
    long Remove(const std::string& path) override;
    long Rename(const std::string& from, const std::string& to) override;
    bool RenameReplaces() override { return !m_renameKeepsTarget; }
    bool FileExists(const std::string& path) override;
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override;
    bool FolderExists(const std::string& path) override;
    long CreateFolder(const std::string& path) override;
    // Fails for a folder that holds files or folders, hidden ones too.
    long RemoveFolder(const std::string& path) override;
    bool FolderSecurity(const std::string& path, ObjectSecurity& security, long& error) override;
    FileIdentity Identity() override { return m_me; }
    std::string AccountName(const std::string& sid) override;

    // Security as Windows keeps it on NTFS: from the call on, the files and
    // folders made carry an owner and an access list (from the protection
    // asked for; Inherit gives the maker, SYSTEM and Administrators), and
    // opening, removing and renaming are refused to an account without the
    // rights, as the system refuses them. An administrator may do anything.
    // Without the call nothing is kept, as on Windows 95 and 98.
    void KeepSecurity(const FileIdentity& me) {
        m_keep = true;
        m_me = me;
    }
    // Renames as Windows 95 and 98 do (MoveFile): an existing target is never
    // replaced, and the rename fails.
    void RenameAsWindows9x() { m_renameKeepsTarget = true; }
    // Acts as another account from now on (for files that account leaves).
    void ActAs(const FileIdentity& me) { m_me = me; }
    // Sets a file's or folder's security by hand (an owner, grants, a link).
    void SetSecurity(const std::string& path, const ObjectSecurity& security);
    ObjectSecurity SecurityOf(const std::string& path);
    // The protection each file was last created with, by lower-case path.
    std::map<std::string, FileProtection> CreatedWith;
    // Names of accounts for messages, by SID (the well-known groups have theirs).
    std::map<std::string, std::string> AccountNames;

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
        ObjectSecurity Security;
    };
    static std::string Key(const std::string& path);
    static std::string Parent(const std::string& path);
    bool WriteAllowed();
    ObjectSecurity Made(FileProtection protection, const std::string& path) const;
    // Whether the account may use `rights` on an object with this security.
    bool Allows(const ObjectSecurity& security, std::uint32_t rights) const;
    bool MayRemove(const std::string& key) const;

    std::map<std::string, std::shared_ptr<Node>> m_files;  // by lower-case path
    std::map<std::string, std::string> m_names;            // lower-case path -> path as created
    std::set<std::string> m_folders;
    std::map<std::string, ObjectSecurity> m_folderSecurity;
    bool m_keep = false;
    bool m_renameKeepsTarget = false;
    FileIdentity m_me;
    int m_failWrite = 0, m_writes = 0;
    int m_failRename = 0, m_renames = 0;
    int m_open = 0;
};

}  // namespace ambrel::testing
