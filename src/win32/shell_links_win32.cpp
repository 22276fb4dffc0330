#include "win32/shell_links_win32.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

namespace ambrel {

namespace {

// Arguments and descriptions may be longer than a path.
constexpr int kTextSize = 1024;

std::wstring Wide(const std::string& text) {
    int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? size : 1, L'\0');
    if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
    wide.resize(wide.size() - 1);
    return wide;
}

// Owns one reference to a COM interface.
template <typename T>
class ComRef {
public:
    ~ComRef() {
        if (m_p) m_p->Release();
    }
    T** Out() { return &m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

bool MakeLink(ComRef<IShellLinkA>& link, ComRef<IPersistFile>& file) {
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.Out()))))
        return false;
    return SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out())));
}

}  // namespace

Win32ShellLinks::Win32ShellLinks() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // S_FALSE: already started on this thread, still to be balanced.
    m_comStarted = SUCCEEDED(hr);
}

Win32ShellLinks::~Win32ShellLinks() {
    if (m_comStarted) CoUninitialize();
}

bool Win32ShellLinks::ReadShortcut(const std::string& path, ShortcutFields& fields) {
    ComRef<IShellLinkA> link;
    ComRef<IPersistFile> file;
    if (!MakeLink(link, file) || FAILED(file->Load(Wide(path).c_str(), STGM_READ))) return false;
    std::vector<char> buffer(kTextSize + 1, '\0');
    auto text = [&]() { return std::string(buffer.data()); };
    if (FAILED(link->GetPath(buffer.data(), MAX_PATH, nullptr, 0))) buffer[0] = '\0';
    fields.TargetPath = text();
    buffer[0] = '\0';
    if (FAILED(link->GetWorkingDirectory(buffer.data(), MAX_PATH))) buffer[0] = '\0';
    fields.WorkingDirectory = text();
    buffer[0] = '\0';
    if (FAILED(link->GetArguments(buffer.data(), kTextSize))) buffer[0] = '\0';
    fields.Arguments = text();
    buffer[0] = '\0';
    if (FAILED(link->GetDescription(buffer.data(), kTextSize))) buffer[0] = '\0';
    fields.Description = text();
    int show = SW_SHOWNORMAL;
    if (SUCCEEDED(link->GetShowCmd(&show))) fields.ShowCommand = show;
    return true;
}

bool Win32ShellLinks::CreateShortcut(const std::string& path, const ShortcutFields& fields) {
    ComRef<IShellLinkA> link;
    ComRef<IPersistFile> file;
    if (!MakeLink(link, file)) return false;
    if (FAILED(link->SetPath(fields.TargetPath.c_str())) ||
        FAILED(link->SetWorkingDirectory(fields.WorkingDirectory.c_str())) ||
        FAILED(link->SetArguments(fields.Arguments.c_str())) ||
        FAILED(link->SetDescription(fields.Description.c_str())) || FAILED(link->SetShowCmd(fields.ShowCommand)))
        return false;
    return SUCCEEDED(file->Save(Wide(path).c_str(), TRUE));
}

}  // namespace ambrel
