#pragma once
// Owners, access lists and the descriptors new files are made with, over the
// Win32 security API. Every call newer than Windows NT 4 is looked up when it
// is first needed; where the system has no security (Windows 95 and 98) or a
// volume keeps no access lists (FAT), nothing is kept and nothing is asked.

#include <windows.h>

#include <memory>
#include <string>

#include "shared/platform.h"

namespace ambrel {

// Reads what the object behind an open handle says of itself: its owner and
// allowing entries, whether it is a reparse point, its links and final path.
// false when the system keeps security but it cannot be read.
bool ReadHandleSecurity(HANDLE handle, ObjectSecurity& security);

// A SID as text ("S-1-5-32-545").
std::string SidText(PSID sid);

// The account the program runs as (its token's user), and whether it is a
// member of Administrators with that membership in effect (elevated).
FileIdentity CurrentIdentity();

// "DOMAIN\\name" for a SID's text, or the text itself when it names nobody known.
std::string AccountNameOf(const std::string& sid);

// The descriptor a new file gets for `protection`, for CreateFile; empty
// (inherit) for FileProtection::Inherit and where the system has no security.
class NewFileDescriptor {
public:
    explicit NewFileDescriptor(FileProtection protection);
    ~NewFileDescriptor();
    NewFileDescriptor(const NewFileDescriptor&) = delete;
    NewFileDescriptor& operator=(const NewFileDescriptor&) = delete;
    // nullptr: the folder's inheritance decides.
    SECURITY_ATTRIBUTES* Attributes() { return m_descriptor ? &m_attributes : nullptr; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

// The SDDL text for a protection ("" for Inherit); `userSid` is the maker's.
std::string ProtectionSddl(FileProtection protection, const std::string& userSid);

}  // namespace ambrel
