#pragma once
// Shortcut files through the system's shell link object.

#include "shared/platform.h"

namespace ambrel {

class Win32ShellLinks final : public IShellLinks {
public:
    Win32ShellLinks();
    ~Win32ShellLinks() override;
    Win32ShellLinks(const Win32ShellLinks&) = delete;
    Win32ShellLinks& operator=(const Win32ShellLinks&) = delete;

    bool ReadShortcut(const std::string& path, ShortcutFields& fields) override;
    bool CreateShortcut(const std::string& path, const ShortcutFields& fields) override;

private:
    bool m_comStarted = false;
};

}  // namespace ambrel
