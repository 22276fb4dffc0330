#pragma once
// A report-style list view: column captions and widths (width 0 hides a
// column), rows with a text, an image-list icon, sub-items and a text tag,
// rows addressed from 1, selection, removal, sorting by one column's text, and
// a double-click event.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace ambrel {

class ListViewControl {
public:
    // Creates the control as a child of `parent`.
    void Create(HWND parent, int id, int x, int y, int width, int height);
    // Takes over a list view of a dialog template.
    void Attach(HWND list);
    HWND Handle() const { return m_hwnd; }

    void AddColumn(const std::string& caption, int width);
    // Icons and small icons come from the same image list (indexes from 1).
    void SetImageList(HIMAGELIST images);

    // Appends a row and returns its place (1-based).
    int AddRow(const std::string& text, int smallIcon, const std::string& tag);
    int RowCount() const;
    std::string Text(int row) const;
    void SetText(int row, const std::string& text);
    // Column 2 onwards (column 1 is the row's text).
    std::string SubItem(int row, int column) const;
    void SetSubItem(int row, int column, const std::string& text);
    int SmallIcon(int row) const;
    void SetSmallIcon(int row, int smallIcon);
    std::string Tag(int row) const;
    // The selected row, 0 when none.
    int SelectedRow() const;
    void SelectRow(int row);
    void RemoveRow(int row);
    void Clear();
    // Around filling many rows: nothing is drawn until EndFill, and room for
    // `rows` rows is made at once.
    void BeginFill(int rows);
    void EndFill();
    // Sorts the rows once by the text of `column` (1-based), ascending and
    // stable. The order stays as sorted when sorting is switched off again.
    void SortByColumn(int column);

    std::function<void()> OnDblClick;
    // Forwarded by the parent's window procedure; true when handled.
    bool HandleNotify(const NMHDR* header);

private:
    HWND m_hwnd = nullptr;
    int m_columns = 0;
    std::vector<std::string> m_tags;  // by item lParam
};

}  // namespace ambrel
