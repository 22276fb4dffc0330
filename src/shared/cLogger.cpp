#include "shared/cLogger.h"

#include <initializer_list>

#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel {

namespace {
constexpr const char* kErrorBanner = "*****Error*****Error*****Error*****Error*****Error*****Error";
constexpr const char* kDebugBanner = "*****Debug*****";
constexpr const char* kNewLine = "\r\n";
}  // namespace

cLogger::cLogger(IFileSystem& files, IClock& clock, IRegionalSettings& regional, IUserInteraction& ui,
                 const AppIdentity& app)
    : m_files(files), m_clock(clock), m_regional(regional), m_ui(ui), m_app(app),
      m_LogFile(app.ProgramDirectory + "\\error.log") {}

cLogger::~cLogger() { CloseLog(); }

std::string cLogger::Heading() {
    return m_regional.GeneralDate(m_clock.Now()) + " - " + "User: " + m_LogUser;
}

bool cLogger::WriteEntry(const std::vector<std::string>& lines) {
    if ((!m_file && !OpenLog()) || !m_file) return false;
    for (const auto& line : lines) {
        std::string text = line + kNewLine;
        if (!m_file->Write(text.data(), text.size())) return WriteFailed();
    }
    if (!m_file->Write(kNewLine, 2)) return WriteFailed();
    return true;
}

bool cLogger::WriteFailed() {
    // A full disk or a file taken away: the entry stops short and nobody is
    // interrupted. The handle is dropped so that the next entry opens the
    // file (or its fallback) afresh.
    m_file.reset();
    return false;
}

bool cLogger::WriteAction(const std::string& sText) {
    if (!m_LogActions) return false;
    return WriteEntry({Heading(), sText});
}

bool cLogger::WriteError(const std::string& sText, bool bShowMessage) {
    const ErrorInfo current = Err();
    if (bShowMessage) {
        std::string message = !sText.empty()
                                  ? sText
                                  : "Error number: \t" + std::to_string(current.Number) + kNewLine +
                                        "Location:     \t" + current.Source + kNewLine + current.Description;
        m_ui.MsgBox(message, kMbCritical | kMbOkOnly, m_app.Title);
    }
    if (!m_LogErrors) return false;
    if (!sText.empty()) return WriteEntry({kErrorBanner, Heading(), "Error: " + sText, kErrorBanner});
    return WriteEntry({kErrorBanner, Heading(), "Error number: " + Str(current.Number),
                       "Location:     " + current.Source, current.Description, kErrorBanner});
}

bool cLogger::WriteDebug(const std::string& sText) {
    if (!m_LogDebug) return false;
    return WriteEntry({kDebugBanner, Heading(), "Debug: " + sText});
}

bool cLogger::OpenLog() {
    // Opening again while open would lose the old handle.
    CloseLog();
    long error = 0;
    m_file = m_files.Open(m_LogFile, FileMode::Append, error);
    if (m_file) return true;

    const std::string fallback = m_app.ProgramDirectory + "\\error.log";
    m_file = m_files.Open(fallback, FileMode::Append, error);
    if (m_file) {
        std::string notice = Trim(m_LogFile).empty()
                                 ? "Logfile location was missing.  Sending log output to " + fallback + "."
                                 : "Couldn't open " + m_LogFile + ".  Sending log output to " + fallback + ".";
        bool written = WriteAction(notice);
        m_ui.MsgBox(notice, kMbInformation | kMbOkOnly, m_app.Title);
        return written;
    }

    m_ui.MsgBox("Couldn't open " + m_LogFile + ".", kMbCritical | kMbOkOnly, m_app.Title);
    return false;
}

void cLogger::CloseLog() { m_file.reset(); }

void ApplyLoggingOption(cLogger& logger, std::int16_t logging) {
    if (logging < 1 || logging > 3) return;
    logger.LogActions(logging == 3);
    logger.LogErrors(logging >= 2);
}

}  // namespace ambrel
