#include "win32/later_calls_win32.h"
#include "win32/security_win32.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ambrel {

namespace {

bool SystemKeepsSecurity() { return !IsWindows9x(); }  // the NT family

// Whether the volume behind the handle keeps access lists (FAT does not);
// true where the system cannot tell.
bool VolumeKeepsAcls(HANDLE handle) {
    using Query = BOOL(WINAPI*)(HANDLE, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);
    static const auto query = Lookup<Query>("kernel32.dll", "GetVolumeInformationByHandleW");
    DWORD flags = 0;
    if (!query || !query(handle, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) return true;
    return (flags & FILE_PERSISTENT_ACLS) != 0;
}

std::string FinalPathOf(HANDLE handle) {
    using Query = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
    static const auto query = Lookup<Query>("kernel32.dll", "GetFinalPathNameByHandleA");
    if (!query) return "";
    std::vector<char> path(MAX_PATH);
    DWORD length = query(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length + 1);
        length = query(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    }
    if (length == 0 || length >= path.size()) return "";
    std::string text(path.data(), length);
    if (text.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + text.substr(8);
    if (text.rfind("\\\\?\\", 0) == 0) return text.substr(4);
    return text;
}

// A SID from its text, for the name lookup; nullptr when it is not one.
PSID ParseSid(const std::string& text) {
    if (text.rfind("S-1-", 0) != 0) return nullptr;
    std::vector<unsigned long long> parts;
    const char* at = text.c_str() + 4;
    while (*at) {
        char* end = nullptr;
        parts.push_back(std::strtoull(at, &end, 10));
        if (end == at || (*end && *end != '-')) return nullptr;
        at = *end ? end + 1 : end;
    }
    if (parts.size() < 2 || parts.size() > 9) return nullptr;
    SID_IDENTIFIER_AUTHORITY authority{};
    for (int i = 0; i < 6; ++i) authority.Value[5 - i] = static_cast<BYTE>(parts[0] >> (8 * i));
    DWORD sub[8] = {};
    for (std::size_t i = 1; i < parts.size(); ++i) sub[i - 1] = static_cast<DWORD>(parts[i]);
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&authority, static_cast<BYTE>(parts.size() - 1), sub[0], sub[1], sub[2], sub[3],
                                  sub[4], sub[5], sub[6], sub[7], &sid))
        return nullptr;
    return sid;
}

}  // namespace

std::string SidText(PSID sid) {
    if (!sid || !IsValidSid(sid)) return "";
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    unsigned long long value = 0;
    for (int i = 0; i < 6; ++i) value = (value << 8) | authority->Value[i];
    std::string text = "S-1-" + std::to_string(value);
    const BYTE count = *GetSidSubAuthorityCount(sid);
    for (BYTE i = 0; i < count; ++i) text += "-" + std::to_string(*GetSidSubAuthority(sid, i));
    return text;
}

bool ReadHandleSecurity(HANDLE handle, ObjectSecurity& security) {
    security = {};
    if (!SystemKeepsSecurity() || !VolumeKeepsAcls(handle)) return true;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return false;
    security.ReparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    security.Links = info.nNumberOfLinks;
    security.FinalPath = FinalPathOf(handle);

    DWORD needed = 0;
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    GetKernelObjectSecurity(handle, wanted, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    auto* descriptor = reinterpret_cast<PSECURITY_DESCRIPTOR>(buffer.data());
    if (!GetKernelObjectSecurity(handle, wanted, descriptor, needed, &needed)) return false;
    security.Kept = true;

    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) return false;
    security.OwnerSid = SidText(owner);
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) return false;
    security.HasDacl = present && dacl;
    if (!security.HasDacl) return true;
    ACL_SIZE_INFORMATION sizes{};
    if (!GetAclInformation(dacl, &sizes, sizeof sizes, AclSizeInformation)) return false;
    for (DWORD i = 0; i < sizes.AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry)) return false;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        // Entries only for what the folder's new children inherit say nothing of the object.
        if (header->AceFlags & INHERIT_ONLY_ACE) continue;
        // Allowing entries, the conditional kind among them; denying ones only take away.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        security.Grants.push_back({SidText(const_cast<DWORD*>(&allowed->SidStart)), allowed->Mask});
    }
    return true;
}

FileIdentity CurrentIdentity() {
    static const FileIdentity identity = [] {
        FileIdentity me;
        if (!SystemKeepsSecurity()) return me;
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return me;
        DWORD needed = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
        std::vector<BYTE> user(needed ? needed : 1);
        if (needed && GetTokenInformation(token, TokenUser, user.data(), needed, &needed))
            me.UserSid = SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);

        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;
        if (AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                     &administrators)) {
            using Check = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);
            static const auto check = Lookup<Check>("advapi32.dll", "CheckTokenMembership");
            BOOL member = FALSE;
            if (check) {
                // A filtered token (UAC, not elevated) holds the group for
                // denying only: the check says no, as it should.
                if (check(nullptr, administrators, &member)) me.Administrator = member != FALSE;
            } else {
                GetTokenInformation(token, TokenGroups, nullptr, 0, &needed);
                std::vector<BYTE> groups(needed ? needed : 1);
                if (needed && GetTokenInformation(token, TokenGroups, groups.data(), needed, &needed)) {
                    const auto* list = reinterpret_cast<TOKEN_GROUPS*>(groups.data());
                    for (DWORD i = 0; i < list->GroupCount; ++i)
                        if (EqualSid(list->Groups[i].Sid, administrators) &&
                            (list->Groups[i].Attributes & SE_GROUP_ENABLED))
                            me.Administrator = true;
                }
            }
            FreeSid(administrators);
        }
        CloseHandle(token);
        return me;
    }();
    return identity;
}

std::string AccountNameOf(const std::string& sidText) {
    PSID sid = ParseSid(sidText);
    if (!sid) return sidText;
    char name[256], domain[256];
    DWORD nameSize = sizeof name, domainSize = sizeof domain;
    SID_NAME_USE use;
    std::string text = sidText;
    if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        text = domain[0] ? std::string(domain) + "\\" + name : std::string(name);
    FreeSid(sid);
    return text;
}

std::string ProtectionSddl(FileProtection protection, const std::string& userSid) {
    // Kept in step with the descriptors the setup program gives the data folder's files.
    switch (protection) {
        case FileProtection::Inherit: return "";
        case FileProtection::Private:
            if (userSid.empty()) return "";
            return "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x13019f;;;" + userSid + ")(A;;0x13019f;;;OW)";
        case FileProtection::SharedReadOnly: return "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)";
        case FileProtection::SharedRecords: return "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x12008b;;;BU)";
    }
    return "";
}

NewFileDescriptor::NewFileDescriptor(FileProtection protection) {
    if (protection == FileProtection::Inherit || !SystemKeepsSecurity()) return;
    using Convert = BOOL(WINAPI*)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    static const auto convert = Lookup<Convert>("advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    const std::string sddl = ProtectionSddl(protection, CurrentIdentity().UserSid);
    // Without the conversion (Windows NT 4) the folder's inheritance decides.
    if (!convert || sddl.empty() || !convert(sddl.c_str(), 1 /* SDDL_REVISION_1 */, &m_descriptor, nullptr)) {
        m_descriptor = nullptr;
        return;
    }
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = m_descriptor;
    m_attributes.bInheritHandle = FALSE;
}

NewFileDescriptor::~NewFileDescriptor() {
    if (m_descriptor) LocalFree(m_descriptor);
}

}  // namespace ambrel
