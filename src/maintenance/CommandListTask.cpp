#include "maintenance/CommandListTask.h"

#include "maintenance/CommandListText.h"
#include "shared/CommandFiles.h"
#include "shared/SessionTrail.h"
#include "shared/cAmbrelOptions.h"
#include "shared/cLogger.h"
#include "shared/cSystemInfo.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

// A task shows nothing: a box would wait for a user who is not there. What a
// box would have said is kept for the report.
class SilentUserInteraction final : public IUserInteraction {
public:
    int MsgBox(const std::string& text, int style, const std::string&) override {
        Said = text;
        return (style & 0xF) == kMbYesNo || (style & 0xF) == kMbYesNoCancel ? kAnswerNo : kAnswerOk;
    }
    std::string Said;
};

std::vector<std::string> Words(const std::string& commandLine) {
    // Blanks separate; a quoted file name keeps its blanks.
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

}  // namespace

ListTask ParseListTask(const std::string& commandLine) {
    ListTask task;
    const std::vector<std::string> words = Words(commandLine);
    if (words.empty()) return task;
    if (EqualsNoCase(words[0], "/export")) {
        task.What = ListTask::Kind::Export;
        task.Usage = words.size() != 2;
    } else if (EqualsNoCase(words[0], "/history")) {
        task.What = ListTask::Kind::History;
        task.Usage = words.size() != 1;
        return task;
    } else if (EqualsNoCase(words[0], "/import")) {
        task.What = ListTask::Kind::Import;
        task.AllUsers = words.size() == 3 && EqualsNoCase(words[2], "/allusers");
        task.Usage = words.size() < 2 || words.size() > 3 || (words.size() == 3 && !task.AllUsers);
    } else {
        return task;
    }
    if (words.size() >= 2) task.File = words[1];
    return task;
}

std::string UserHistoryPath(MaintenancePorts& ports) {
    cSystemInfo info(ports.Registry, ports.Facts);
    cAmbrelOptions options(ports.Registry, ports.App);
    try {
        options.GetOptions(true);
    } catch (const RuntimeError&) {
    }
    return HistoryPath(SetCommandFiles(options.AllUsersUseSame(), ports.App.ProgramDirectory, info.logonName(),
                                       info.TrailFolder(), info.logonNameExact()));
}

int RunListTask(MaintenancePorts& ports, const ListTask& task, const TextCodec& codec, std::string& report) {
    SilentUserInteraction silent;
    cLogger logger(ports.Files, ports.Clock, ports.Regional, silent, ports.App);
    auto fail = [&](int code, const std::string& why) {
        report = why;
        logger.WriteError(why, false);
        return code;
    };
    if (task.Usage || (task.What != ListTask::Kind::Export && task.What != ListTask::Kind::Import))
        return fail(kListTaskUsage, "Usage: corvane.exe /export FILE, or corvane.exe /import FILE [/allusers]");
    const std::string source = ports.App.Title;
    try {
        cSystemInfo info(ports.Registry, ports.Facts);
        cAmbrelOptions options(ports.Registry, ports.App);
        try {
            options.GetOptions(true);
        } catch (const RuntimeError&) {
            // A damaged option takes its default here; the window reports it.
        }
        logger.LogUser(info.logonName());
        logger.LogFile(options.LogDir());
        ApplyLoggingOption(logger, options.Logging());
        const CommandFileNames names = SetCommandFiles(task.AllUsers || options.AllUsersUseSame(),
                                                       ports.App.ProgramDirectory, info.logonName(),
                                                       info.TrailFolder(), info.logonNameExact());
        // As the window does: a first start has no data folder yet.
        const std::string data = ports.App.ProgramDirectory + "\\Data";
        if (!ports.Files.FolderExists(data)) ports.Files.CreateFolder(data);
        long error = 0;
        if (task.What == ListTask::Kind::Export) {
            std::vector<CommandPair> commands;
            const LoadResult loaded = LoadCommandList(
                ports.Files, logger, names,
                [&](int, const CommandSettings& s, const CommandStrings& t) { commands.push_back({s, t}); }, source,
                &ports.ListLock, false);
            // No list yet is an empty one; a list read in part is not exported.
            if (!loaded.Completed && loaded.Error != kErrFileNotFound)
                return fail(kListTaskListFailed, "The command list was not exported: " + Err().Description);
            const std::string text = CommandListToText(commands, codec.ToUtf8);
            ports.Files.Remove(task.File);
            auto file = ports.Files.Open(task.File, FileMode::CreateNew, error);
            if (!file || !file->Write(text.data(), text.size()) || !file->Flush())
                return fail(kListTaskFile, "The command list was not exported: " + task.File + " cannot be written.");
            report = std::to_string(commands.size()) + " command lines exported to " + task.File + ".";
            logger.WriteAction(report);
            return kListTaskDone;
        }
        auto file = ports.Files.Open(task.File, FileMode::Read, error);
        if (!file) return fail(kListTaskFile, "The command list was not imported: " + task.File + " cannot be read.");
        std::string text(static_cast<std::size_t>(file->Size()), '\0');
        if (file->Read(text.data(), text.size()) != text.size())
            return fail(kListTaskFile, "The command list was not imported: " + task.File + " cannot be read.");
        file.reset();
        std::vector<CommandPair> commands;
        CommandListTextError bad;
        if (!CommandListFromText(text, commands, bad, codec.FromUtf8))
            return fail(kListTaskInvalid, "The command list was not imported: " + task.File + ", line " +
                                              std::to_string(bad.Line) + ": " + bad.Message + ".");
        // A command that stays as it is keeps the runs counted so far.
        std::vector<CommandToSave> saved;
        for (std::size_t i = 0; i < commands.size(); ++i)
            saved.push_back({commands[i], static_cast<int>(i), true, {}});
        if (!SaveCommandListKeepingCounters(ports.Files, &ports.ListLock, logger, silent, ports.Clock, source, names,
                                            saved, source))
            return fail(kListTaskListFailed, "The command list was not imported: " + Err().Description);
        report = std::to_string(commands.size()) + " command lines imported from " + task.File + ".";
        logger.WriteAction(report);
        return kListTaskDone;
    } catch (...) {
        CatchCurrentError(source);
        return fail(kListTaskListFailed, "The command list task failed: " + Err().Description);
    }
}

}  // namespace ambrel
