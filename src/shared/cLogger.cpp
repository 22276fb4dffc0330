#include "shared/cLogger.h"

#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

constexpr char kErrorBanner[] = "*****Error*****Error*****Error*****Error*****Error*****Error";

}  // namespace

cLogger::cLogger(IFileSystem& files, IClock& clock, IRegionalSettings& regional, IUserInteraction& ui,
                 const AppIdentity& app)
    : m_files(files), m_clock(clock), m_regional(regional), m_ui(ui), m_app(app),
      m_LogFile(app.ProgramDirectory + "\\error.log") {}

cLogger::~cLogger() { CloseLog(); }

void cLogger::CloseLog() { m_file.reset(); }

bool cLogger::OpenLog() {
    long error = 0;
    m_file = m_files.Open(m_LogFile, FileMode::Append, error);
    if (m_file) return true;
    std::string fallback = m_app.ProgramDirectory + "\\error.log";
    m_file = m_files.Open(fallback, FileMode::Append, error);
    if (!m_file) {
        m_ui.MsgBox("Couldn't open " + m_LogFile + ".", kMbCritical, m_app.Title);
        return false;
    }
    std::string notice = Trim(m_LogFile).empty()
                             ? "Logfile location was missing.  Sending log output to " + fallback + "."
                             : "Couldn't open " + m_LogFile + ".  Sending log output to " + fallback + ".";
    bool written = WriteAction(notice);
    m_ui.MsgBox(notice, kMbInformation, m_app.Title);
    return written;
}

namespace {

// Writes the lines of one entry and the empty line after it; a failing write
// cuts the entry short without troubling the caller.
void WriteLines(IFile& file, std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    text += "\r\n";
    file.Write(text.data(), text.size());
}

}  // namespace

bool cLogger::WriteAction(const std::string& sText) {
    if (!m_LogActions) return false;
    if (!m_file && !OpenLog()) return false;
    if (!m_file) return false;
    WriteLines(*m_file, {m_regional.GeneralDate(m_clock.Now()) + " - User: " + m_LogUser, sText});
    return true;
}

bool cLogger::WriteError(const std::string& sText, bool bShowMessage) {
    const ErrorInfo& err = Err();
    if (bShowMessage) {
        std::string text = !sText.empty() ? sText
                                          : "Error number: \t" + std::to_string(err.Number) + "\r\nLocation:     \t" +
                                                err.Source + "\r\n" + err.Description;
        m_ui.MsgBox(text, kMbCritical, m_app.Title);
    }
    if (!m_LogErrors) return false;
    if (!m_file && !OpenLog()) return false;
    if (!m_file) return false;
    std::string heading = m_regional.GeneralDate(m_clock.Now()) + " - User: " + m_LogUser;
    if (!sText.empty())
        WriteLines(*m_file, {kErrorBanner, heading, "Error: " + sText, kErrorBanner});
    else
        WriteLines(*m_file, {kErrorBanner, heading, "Error number: " + Str(err.Number),
                             "Location:     " + err.Source, err.Description, kErrorBanner});
    return true;
}

bool cLogger::WriteDebug(const std::string& sText) {
    if (!m_LogDebug) return false;
    if (!m_file && !OpenLog()) return false;
    if (!m_file) return false;
    WriteLines(*m_file, {"*****Debug*****", m_regional.GeneralDate(m_clock.Now()) + " - User: " + m_LogUser,
                         "Debug: " + sText});
    return true;
}

}  // namespace ambrel
