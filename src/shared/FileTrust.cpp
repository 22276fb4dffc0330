#include "shared/FileTrust.h"

#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

constexpr std::uint32_t kFileWrites = kAccessWriteData | kAccessAppendData | kAccessDelete | kAccessWriteDac |
                                      kAccessWriteOwner | kAccessGenericAll | kAccessGenericWrite;
// Anybody may add a file to the data folder (FILE_ADD_FILE is the write-data
// bit): what matters is that nobody else may remove, rename or replace one.
constexpr std::uint32_t kFolderWrites = kAccessAppendData | kAccessDeleteChild | kAccessDelete | kAccessWriteDac |
                                        kAccessWriteOwner | kAccessGenericAll | kAccessGenericWrite;

bool IsSid(const std::string& sid, const char* wellKnown) { return sid == wellKnown; }

bool TrustedOwner(const std::string& sid, TrustedKind kind, const TrustContext& c) {
    if (IsSid(sid, kSidAdministrators) || IsSid(sid, kSidSystem) || IsSid(sid, kSidTrustedInstaller)) return true;
    if (sid.empty() || sid != c.Me.UserSid) return false;
    // The user's own list, and its folder when the user made it (a copy of
    // the programs in the user's own folders); an administrator's anything.
    return c.Me.Administrator || (!c.AllUsers && kind != TrustedKind::SharedSettings);
}

std::string NameOf(const TrustContext& c, const std::string& sid) { return c.Name ? c.Name(sid) : sid; }

bool Inside(const std::string& path, const std::string& folder) {
    std::string p = LCase(path), f = LCase(folder);
    while (!f.empty() && f.back() == '\\') f.pop_back();
    return p.size() > f.size() + 1 && p.compare(0, f.size(), f) == 0 && p[f.size()] == '\\';
}

}  // namespace

std::string DistrustReason(const ObjectSecurity& s, TrustedKind kind, const TrustContext& c) {
    if (!s.Kept) return "";  // no owners on this system: nothing to go by, as before
    if (s.ReparsePoint) return "it is a link to another place (a reparse point)";
    if (kind != TrustedKind::DataFolder) {
        if (s.Links > 1) return "it has " + std::to_string(s.Links) + " names (hard links)";
        if (!c.DataFolderFinal.empty() && !s.FinalPath.empty() && !Inside(s.FinalPath, c.DataFolderFinal))
            return "it is not in the data folder (it leads to " + s.FinalPath + ")";
    }
    if (!TrustedOwner(s.OwnerSid, kind, c)) return "it belongs to " + NameOf(c, s.OwnerSid);
    if (!s.HasDacl) return "it has no access list, so anybody may change it";
    const std::uint32_t writes = kind == TrustedKind::DataFolder ? kFolderWrites : kFileWrites;
    for (const AccessGrant& grant : s.Grants) {
        std::uint32_t rights = grant.Mask & writes;
        if (!rights) continue;
        // Entries for the owner (OWNER RIGHTS) or a creator to come (CREATOR
        // OWNER, which means nobody on the object itself) add nobody.
        if (IsSid(grant.Sid, kSidOwnerRights) || IsSid(grant.Sid, kSidCreatorOwner)) continue;
        if (TrustedOwner(grant.Sid, kind, c)) continue;
        if (kind == TrustedKind::SharedSettings && IsSid(grant.Sid, kSidUsers)) rights &= ~kAccessWriteData;
        if (rights) return "it can be changed by " + NameOf(c, grant.Sid);
    }
    return "";
}

std::string DistrustReasonOf(IFileSystem& files, const std::string& path, TrustedKind kind,
                             const TrustContext& context, bool* missing) {
    if (missing) *missing = false;
    ObjectSecurity security;
    long error = 0;
    if (kind == TrustedKind::DataFolder) {
        if (!files.FolderSecurity(path, security, error)) {
            if (missing) *missing = error == kErrFileNotFound || error == kErrPathNotFound;
            return missing && *missing ? "" : "it cannot be opened (" + DescribeError(error) + ")";
        }
    } else {
        auto file = files.Open(path, FileMode::Read, error);
        if (!file) {
            if (missing) *missing = error == kErrFileNotFound || error == kErrPathNotFound;
            return missing && *missing ? "" : "it cannot be opened (" + DescribeError(error) + ")";
        }
        if (!file->Security(security)) return "its owner and permissions cannot be read";
    }
    return DistrustReason(security, kind, context);
}

}  // namespace ambrel
