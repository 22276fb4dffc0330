#include "monitor/frmShutWarning.h"

namespace ambrel {

void frmShutWarning::Form_Load() {
    Seconds = 60;
    lblSeconds = std::to_string(Seconds);
    Timer1_Interval = 1000;
    m_view.Refresh();
}

void frmShutWarning::Timer1_Timer() {
    if (Closed) return;
    --Seconds;
    lblSeconds = std::to_string(Seconds);
    m_view.Refresh();
    if (Seconds < 1) Close();  // the shutdown goes ahead
}

void frmShutWarning::cmdCancel_Click() {
    m_outcome = 1;
    Close();
}

void frmShutWarning::Close() {
    if (Closed) return;
    Closed = true;
    Timer1_Interval = 0;
    m_view.Close();
}

}  // namespace ambrel
