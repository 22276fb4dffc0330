#pragma once
// A folder's files as a file list shows them: hidden and system files left
// out, in the list's order. Setting a folder that does not exist fails.

#include <string>
#include <vector>

#include "shared/platform.h"

namespace ambrel {

class FileListBox {
public:
    explicit FileListBox(IFileSystem& files) : m_files(files) {}

    // false when the folder does not exist; the list is then empty.
    bool Path(const std::string& folder) {
        m_path = folder;
        return Refresh();
    }
    const std::string& Path() const { return m_path; }
    bool Refresh() {
        m_names.clear();
        return m_files.ListFiles(m_path, m_names);
    }
    int ListCount() const { return static_cast<int>(m_names.size()); }
    // 0-based, like the list it stands for.
    const std::string& List(int index) const { return m_names.at(static_cast<std::size_t>(index)); }

private:
    IFileSystem& m_files;
    std::string m_path;
    std::vector<std::string> m_names;
};

}  // namespace ambrel
