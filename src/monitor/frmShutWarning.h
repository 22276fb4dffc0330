#pragma once
// The one-minute warning before a scheduled shutdown: it counts down from 60
// and closes (the shutdown goes ahead), unless the user cancels it.

#include <cstdint>
#include <string>

namespace ambrel {

class IShutWarningView {
public:
    virtual ~IShutWarningView() = default;
    virtual void Refresh() = 0;
    virtual void Close() = 0;
};

class frmShutWarning {
public:
    // `sessionEndOutcome` is the monitor's: a cancel sets it to 1.
    frmShutWarning(std::int16_t& sessionEndOutcome, IShutWarningView& view)
        : m_outcome(sessionEndOutcome), m_view(view) {}

    void Form_Load();
    void Timer1_Timer();
    void cmdCancel_Click();

    // ---- the window's fields ----
    const std::string Caption = "Ambrel";
    const std::string Label2 = "Attention";
    const std::string Label1 = "Ambrel will shut down Windows in:";
    const std::string Label4 = "seconds";
    std::string lblSeconds;
    int Timer1_Interval = 0;
    std::int16_t Seconds = 0;
    bool Closed = false;

private:
    void Close();

    std::int16_t& m_outcome;
    IShutWarningView& m_view;
};

}  // namespace ambrel
