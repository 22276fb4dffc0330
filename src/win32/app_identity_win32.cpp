#include "win32/app_identity_win32.h"

#include <windows.h>

#include <vector>

namespace ambrel {

namespace {

std::string ModulePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::string();
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::vector<char> VersionBlock() {
    std::string path = ModulePath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data())) block.clear();
    return block;
}

}  // namespace

std::string ReadVersionString(const std::string& name) {
    std::vector<char> block = VersionBlock();
    if (block.empty()) return std::string();
    struct LangCodePage {
        WORD Language;
        WORD CodePage;
    }* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &length) ||
        length < sizeof(LangCodePage))
        return std::string();
    char query[128];
    wsprintfA(query, "\\StringFileInfo\\%04x%04x\\%s", translations[0].Language, translations[0].CodePage,
              name.c_str());
    char* value = nullptr;
    if (!VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) || !value)
        return std::string();
    return std::string(value);
}

VersionNumbers ReadVersionNumbers() {
    VersionNumbers numbers;
    std::vector<char> block = VersionBlock();
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!block.empty() && VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) &&
        fixed) {
        numbers.Major = HIWORD(fixed->dwFileVersionMS);
        numbers.Minor = LOWORD(fixed->dwFileVersionMS);
        numbers.Revision = LOWORD(fixed->dwFileVersionLS);
    }
    return numbers;
}

AppIdentity LoadAppIdentity(const std::string& title) {
    AppIdentity app;
    app.ProductName = ReadVersionString("ProductName");
    std::string path = ModulePath();
    auto slash = path.find_last_of("\\/");
    app.ProgramDirectory = slash == std::string::npos ? std::string() : path.substr(0, slash);
    app.Title = title;
    return app;
}

AboutTexts ReadAboutTexts() {
    VersionNumbers version = ReadVersionNumbers();
    AboutTexts about;
    about.ProductName = ReadVersionString("ProductName");
    about.VersionMajor = version.Major;
    about.VersionMinor = version.Minor;
    about.VersionRevision = version.Revision;
    about.FileDescription = ReadVersionString("FileDescription");
    about.LegalCopyright = ReadVersionString("LegalCopyright");
    about.CompanyName = ReadVersionString("CompanyName");
    about.Comments = ReadVersionString("Comments");
    return about;
}

}  // namespace ambrel
