#pragma once
// The log file writer: action, error and debug entries, each kind switched on
// its own. The file is opened on the first entry that passes its switch, falls
// back to the program folder's error.log when the configured file cannot be
// opened, and stays open until the logger is destroyed.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shared/platform.h"

namespace ambrel {

class cLogger {
public:
    cLogger(IFileSystem& files, IClock& clock, IRegionalSettings& regional, IUserInteraction& ui,
            const AppIdentity& app);
    ~cLogger();
    cLogger(const cLogger&) = delete;
    cLogger& operator=(const cLogger&) = delete;

    const std::string& LogFile() const { return m_LogFile; }
    void LogFile(const std::string& path) { m_LogFile = path; }
    const std::string& LogUser() const { return m_LogUser; }
    void LogUser(const std::string& user) { m_LogUser = user; }
    bool LogErrors() const { return m_LogErrors; }
    void LogErrors(bool on) { m_LogErrors = on; }
    bool LogActions() const { return m_LogActions; }
    void LogActions(bool on) { m_LogActions = on; }
    bool LogDebug() const { return m_LogDebug; }
    void LogDebug(bool on) { m_LogDebug = on; }

    bool WriteAction(const std::string& sText);
    // An empty sText describes the current error (Err(), errors.h): number,
    // component and description. The box shows before anything is written,
    // whatever the switches say.
    bool WriteError(const std::string& sText, bool bShowMessage);
    bool WriteDebug(const std::string& sText);
    bool OpenLog();
    void CloseLog();

private:
    std::string Heading();
    // Opens the log when needed and appends the lines and the empty line.
    bool WriteEntry(const std::vector<std::string>& lines);
    bool WriteFailed();

    IFileSystem& m_files;
    IClock& m_clock;
    IRegionalSettings& m_regional;
    IUserInteraction& m_ui;
    AppIdentity m_app;
    std::unique_ptr<IFile> m_file;
    std::string m_LogFile;
    std::string m_LogUser = "<Unknown User>";
    bool m_LogErrors = false;
    bool m_LogActions = false;
    bool m_LogDebug = false;
};

// Switches the logger as the option Logging says: 1 nothing, 2 errors only,
// 3 actions and errors; any other value leaves the switches as they are.
void ApplyLoggingOption(cLogger& logger, std::int16_t logging);

}  // namespace ambrel
