#pragma once
// A status bar with panels whose text the program sets. The maintenance window
// also shows the time and the date in panels of their own.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace ambrel {

class StatusBarControl {
public:
    void Create(HWND parent, int id);
    HWND Handle() const { return m_hwnd; }
    // Right edges of the panels in pixels; -1 stretches the last one.
    void SetPanels(const std::vector<int>& rightEdges);
    int PanelCount() const { return static_cast<int>(m_panels); }
    // Panels count from 1.
    void SetText(int panel, const std::string& text);
    std::string Text(int panel) const;
    // Shows the current time and date (regional formats) in two panels; the
    // owner calls it from a timer.
    void ShowTimeAndDate(int timePanel, int datePanel);
    // Keeps the bar along the bottom edge when the parent is resized.
    void ParentResized();
    // Three panels across `width` pixels: the text, then the time and the
    // date, each as wide as the longest it shows in the bar's font (at any
    // DPI), and never narrower than 80 pixels at 96 DPI.
    void SetTextTimeAndDatePanels(int width);

private:
    HWND m_hwnd = nullptr;
    std::size_t m_panels = 1;
};

}  // namespace ambrel
