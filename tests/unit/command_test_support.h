#pragma once
// What the command list tests share: a program's ports over the doubles, and
// commands that are easy to tell apart.

#include <ostream>
#include <string>
#include <vector>

#include "doubles/memory_files.h"
#include "doubles/scripted_ui.h"
#include "shared/CommandFiles.h"
#include "shared/cLogger.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel::testing {

class FixedRegionalSettings final : public IRegionalSettings {
public:
    std::string GeneralDate(double) override { return "1/1/2000 10:00:00 AM"; }
};

struct CommandProgram {
    explicit CommandProgram(IFileSystem* fileSystem = nullptr)
        : fs(fileSystem ? *fileSystem : memory), logger(fs, clock, regional, ui, app) {
        memory.AddFolder("C:\\Ambrel\\Data");
        names = SetCommandFiles(true, "C:\\Ambrel", "alice");
    }

    std::vector<CommandPair> Load(LoadResult* result = nullptr) {
        std::vector<CommandPair> loaded;
        LoadResult r = LoadCommandList(fs, logger, names, [&](int index, const CommandSettings& s, const CommandStrings& t) {
            EXPECT_EQ(index, static_cast<int>(loaded.size()));
            loaded.push_back({s, t});
        }, "corvane");
        if (result) *result = r;
        return loaded;
    }

    bool Save(const std::vector<CommandPair>& commands) {
        return SaveCommandList(fs, logger, ui, clock, app.Title, names, commands, "corvane");
    }

    MemoryFileSystem memory;
    IFileSystem& fs;
    FakeClock clock{DateSerial(2000, 1, 1) + 10.0 / 24};
    FixedRegionalSettings regional;
    ScriptedUserInteraction ui;
    AppIdentity app{"Ambrel 2.0", "C:\\Ambrel", "Ambrel"};
    cLogger logger;
    CommandFileNames names;
};

inline CommandPair Command(const std::string& commandLine, std::int16_t runCount = 0) {
    CommandPair c;
    c.Settings = NewCommandSettings(DateSerial(1999, 12, 31));
    c.Settings.RunCount = runCount;
    c.Strings.CommandLine = commandLine;
    c.Strings.MessageText = "Message of " + commandLine;
    return c;
}

}  // namespace ambrel::testing

namespace ambrel {
inline bool operator==(const CommandPair& a, const CommandPair& b) {
    return a.Settings == b.Settings && a.Strings == b.Strings;
}
inline void PrintTo(const CommandPair& c, std::ostream* os) { *os << "{" << c.Strings.CommandLine << "}"; }
}  // namespace ambrel
