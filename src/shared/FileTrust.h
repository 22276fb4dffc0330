#pragma once
// Whether a command list may be believed. On a machine several people share,
// a list is a set of command lines that a monitor runs with its user's rights
// at every end of a session: one that someone else can change makes that
// user run what the other one chose. So before a list, a journal, a waiting
// new file or a backup is used, its owner, its access list, its links and
// its place are checked, and a list that fails runs nothing.
//
// Who may be trusted: Administrators, SYSTEM and TrustedInstaller (who could
// change anything anyway), the program's own user when it is an
// administrator, and for a user's own list that user. Every other account
// may read, but not write, append, delete, or change the permissions or the
// owner; only the all-users settings file lets Users rewrite its records (the
// monitor of every user records its runs there).

#include <functional>
#include <string>

#include "shared/platform.h"

namespace ambrel {

inline constexpr const char* kSidAdministrators = "S-1-5-32-544";
inline constexpr const char* kSidUsers = "S-1-5-32-545";
inline constexpr const char* kSidSystem = "S-1-5-18";
inline constexpr const char* kSidTrustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
inline constexpr const char* kSidCreatorOwner = "S-1-3-0";
inline constexpr const char* kSidOwnerRights = "S-1-3-4";
inline constexpr const char* kSidEveryone = "S-1-1-0";
inline constexpr const char* kSidAuthenticatedUsers = "S-1-5-11";

enum class TrustedKind {
    DataFolder,      // the folder the lists live in
    ListFile,        // a list's strings or settings file, a journal, a new file, a backup
    SharedSettings,  // the all-users settings file: Users may rewrite its records
};

struct TrustContext {
    FileIdentity Me;
    bool AllUsers = false;        // the all-users list, not the user's own
    std::string DataFolderFinal;  // the data folder's final path, "" when unknown
    // An account's name for the reason ("DOMAIN\\name").
    std::function<std::string(const std::string& sid)> Name;
};

// "" when the object may be believed; otherwise why not, in words that name
// the account that could change it ("it can be changed by BUILTIN\\Users").
std::string DistrustReason(const ObjectSecurity& security, TrustedKind kind, const TrustContext& context);

// The same for a file or folder by path; a folder is read without following
// a reparse point. A file that cannot be opened gives "" with `missing` set.
std::string DistrustReasonOf(IFileSystem& files, const std::string& path, TrustedKind kind,
                             const TrustContext& context, bool* missing = nullptr);

}  // namespace ambrel
