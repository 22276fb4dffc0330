#include "win32/list_view_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>

namespace ambrel {

namespace {

std::string ItemText(HWND list, int index, int subItem) {
    std::vector<char> buffer(512);
    for (;;) {
        LVITEMA item{};
        item.iSubItem = subItem;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        int length = static_cast<int>(SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
        if (length < static_cast<int>(buffer.size()) - 1) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

void ListViewControl::Create(HWND parent, int id, int x, int y, int width, int height) {
    m_hwnd = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                 LVS_SHAREIMAGELISTS,
                             x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(m_hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
}

void ListViewControl::Attach(HWND list) {
    m_hwnd = list;
    SendMessageA(m_hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
}

void ListViewControl::AddColumn(const std::string& caption, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(caption.c_str());
    column.cx = width;
    column.iSubItem = m_columns;
    SendMessageA(m_hwnd, LVM_INSERTCOLUMNA, m_columns, reinterpret_cast<LPARAM>(&column));
    ++m_columns;
}

void ListViewControl::SetImageList(HIMAGELIST images) {
    // The pictures belong to their ImageListControl, which destroys them: a
    // list view destroys its lists itself unless told they are shared, and
    // the second destruction would free them twice.
    const LONG_PTR style = GetWindowLongPtrA(m_hwnd, GWL_STYLE);
    if (!(style & LVS_SHAREIMAGELISTS)) SetWindowLongPtrA(m_hwnd, GWL_STYLE, style | LVS_SHAREIMAGELISTS);
    SendMessageA(m_hwnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    SendMessageA(m_hwnd, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
}

int ListViewControl::AddRow(const std::string& text, int smallIcon, const std::string& tag) {
    m_tags.push_back(tag);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    // Never before the last row (removed rows keep their tags): at the end.
    item.iItem = static_cast<int>(m_tags.size()) - 1;
    item.pszText = const_cast<char*>(text.c_str());
    item.iImage = smallIcon - 1;
    item.lParam = static_cast<LPARAM>(m_tags.size() - 1);
    int index = static_cast<int>(SendMessageA(m_hwnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    return index + 1;
}

int ListViewControl::RowCount() const { return static_cast<int>(SendMessageA(m_hwnd, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListViewControl::Text(int row) const { return ItemText(m_hwnd, row - 1, 0); }

void ListViewControl::SetText(int row, const std::string& text) { SetSubItem(row, 1, text); }

std::string ListViewControl::SubItem(int row, int column) const { return ItemText(m_hwnd, row - 1, column - 1); }

void ListViewControl::SetSubItem(int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column - 1;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(m_hwnd, LVM_SETITEMTEXTA, row - 1, reinterpret_cast<LPARAM>(&item));
}

int ListViewControl::SmallIcon(int row) const {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row - 1;
    SendMessageA(m_hwnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage + 1;
}

void ListViewControl::SetSmallIcon(int row, int smallIcon) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row - 1;
    item.iImage = smallIcon - 1;
    SendMessageA(m_hwnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

std::string ListViewControl::Tag(int row) const {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row - 1;
    if (!SendMessageA(m_hwnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return std::string();
    auto slot = static_cast<std::size_t>(item.lParam);
    return slot < m_tags.size() ? m_tags[slot] : std::string();
}

int ListViewControl::SelectedRow() const {
    return static_cast<int>(SendMessageA(m_hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) + 1;
}

void ListViewControl::SelectRow(int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(m_hwnd, LVM_SETITEMSTATE, row - 1, reinterpret_cast<LPARAM>(&item));
    // A row moved far down a long list is followed there.
    SendMessageA(m_hwnd, LVM_ENSUREVISIBLE, row - 1, FALSE);
}

void ListViewControl::RemoveRow(int row) { SendMessageA(m_hwnd, LVM_DELETEITEM, row - 1, 0); }

void ListViewControl::Clear() {
    SendMessageA(m_hwnd, LVM_DELETEALLITEMS, 0, 0);
    m_tags.clear();
}

void ListViewControl::BeginFill(int rows) {
    SendMessageA(m_hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageA(m_hwnd, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), LVSICF_NOINVALIDATEALL);
    m_tags.reserve(m_tags.size() + static_cast<std::size_t>(rows));
}

void ListViewControl::EndFill() {
    SendMessageA(m_hwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

void ListViewControl::SortByColumn(int column) {
    // Rebuild the rows in sorted order: a stable sort on the texts, which
    // LVM_SORTITEMS does not promise. The selected row stays selected.
    struct Row {
        std::vector<std::string> Cells;
        int Icon;
        std::string Tag;
        bool Selected;
    };
    std::vector<Row> rows;
    const int count = RowCount();
    const int selected = SelectedRow();
    for (int r = 1; r <= count; ++r) {
        Row row{{}, SmallIcon(r), Tag(r), r == selected};
        for (int c = 1; c <= m_columns; ++c) row.Cells.push_back(SubItem(r, c));
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [column](const Row& a, const Row& b) {
        return a.Cells[column - 1] < b.Cells[column - 1];
    });
    Clear();
    BeginFill(count);
    for (const auto& row : rows) {
        int r = AddRow(row.Cells.empty() ? std::string() : row.Cells[0], row.Icon, row.Tag);
        for (int c = 2; c <= m_columns; ++c) SetSubItem(r, c, row.Cells[c - 1]);
        if (row.Selected) SelectRow(r);
    }
    EndFill();
}

bool ListViewControl::HandleNotify(const NMHDR* header) {
    if (header->hwndFrom != m_hwnd) return false;
    if (header->code == NM_DBLCLK) {
        if (OnDblClick) OnDblClick();
        return true;
    }
    return false;
}

}  // namespace ambrel
