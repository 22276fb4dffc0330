#pragma once
// The standard controls of dialog templates, addressed by dialog and control
// number: check boxes, option buttons in frames, combo boxes with item data,
// edits, list boxes, and tool tips for any of them.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ambrel {

namespace dlg {

// Check boxes: 1 ticked, 0 clear.
int Check(HWND dialog, int id);
void Check(HWND dialog, int id, int value);

// An option group given by its buttons' numbers in order: the index of the
// chosen button, -1 when none is; setting -1 clears them all.
int Option(HWND dialog, const std::vector<int>& ids);
void Option(HWND dialog, const std::vector<int>& ids, int index);

std::string Text(HWND dialog, int id);
// Leaves a text that is already there alone, so the caret stays put.
void Text(HWND dialog, int id, const std::string& text);

void Enable(HWND dialog, int id, bool enabled);
// Whether the window itself is shown, whatever its parent is.
bool ShownByItself(HWND window);
void Show(HWND dialog, int id, bool visible);

struct ComboEntry {
    std::string Text;
    std::intptr_t ItemData = 0;
};
// Drop-down lists: their items (refilled only when they differ), the chosen
// item (-1 for none) and each item's data.
void ComboItems(HWND dialog, int id, const std::vector<ComboEntry>& items);
int ListIndex(HWND dialog, int id);
void ListIndex(HWND dialog, int id, int index);
std::intptr_t ItemData(HWND dialog, int id, int index);

// A list box's lines, refilled only when they differ.
void ListLines(HWND dialog, int id, const std::vector<std::string>& lines);

// An edit box whose text becomes a command line: the character Ctrl+Backspace
// types (0x7F) is not taken, and a paste comes in without its control
// characters (line breaks among them). Ctrl+C, Ctrl+V and the other editing
// keys work as before.
void TypedTextOnly(HWND dialog, int id);

}  // namespace dlg

// Tool tips for the controls of one or more dialogs.
class ToolTips {
public:
    void Create(HWND owner);
    HWND Handle() const { return m_hwnd; }
    void Add(HWND control, const std::string& text);
    void Add(HWND dialog, int id, const std::string& text) { Add(GetDlgItem(dialog, id), text); }
    // The text shown for a control, empty when it has none.
    std::string TextOf(HWND control) const;

private:
    HWND m_hwnd = nullptr;
    HWND m_owner = nullptr;
};

}  // namespace ambrel
