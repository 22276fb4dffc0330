// Feeds the command list loader files of any content: the pair, the pair an
// interrupted save left under its temporary names, its journal and the
// backups. Whatever they hold, a load must end cleanly, take only whole
// non-blank commands at consecutive positions, leave no file open, recover
// the same way twice, find each command at its record when the pairs are read
// as stored, and what it took must save and load back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "doubles/memory_files.h"
#include "doubles/scripted_ui.h"
#include "shared/CommandFiles.h"
#include "shared/cLogger.h"
#include "shared/errors.h"
#include "shared/vb.h"

namespace {

using namespace ambrel;

class Regional final : public IRegionalSettings {
public:
    std::string GeneralDate(double) override { return "1/1/2000"; }
};

void Check(bool condition) {
    if (!condition) std::abort();
}

// Compared as stored bytes: a date read from garbage may be NaN.
std::string Bytes(const std::vector<CommandSettings>& settings, const std::vector<CommandStrings>& strings) {
    std::string out;
    for (const CommandSettings& s : settings) AppendSettings(out, s);
    for (const CommandStrings& s : strings) AppendStrings(out, s);
    return out;
}

struct Loaded {
    std::vector<CommandSettings> Settings;
    std::vector<CommandStrings> Strings;
    LoadResult Result;
};

Loaded Load(IFileSystem& fs, cLogger& logger, const CommandFileNames& names) {
    Loaded loaded;
    loaded.Result = LoadCommandList(fs, logger, names, [&](int index, const CommandSettings& s, const CommandStrings& t) {
        Check(index == static_cast<int>(loaded.Settings.size()));
        Check(!Trim(t.CommandLine).empty());
        loaded.Settings.push_back(s);
        loaded.Strings.push_back(t);
    }, "fuzz");
    Check(loaded.Result.Count == static_cast<int>(loaded.Settings.size()));
    return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testing::MemoryFileSystem fs;
    fs.AddFolder("C:\\Ambrel\\Data");
    testing::FakeClock clock(36526.5);
    Regional regional;
    testing::ScriptedUserInteraction ui;
    cLogger logger(fs, clock, regional, ui, AppIdentity{"Ambrel 2.0", "C:\\Ambrel", "Ambrel"});
    CommandFileNames names;
    names.Settings = "C:\\Ambrel\\Data\\ambrel.sdd";
    names.Strings = "C:\\Ambrel\\Data\\ambrel.sds";
    names.BackupSettings = "C:\\Ambrel\\Data\\_temp.sdd";
    names.BackupStrings = "C:\\Ambrel\\Data\\_temp.sds";

    // The first byte says which files exist; then each existing file is a
    // 16-bit length and that many bytes (cut at the end of the input).
    if (size == 0) return 0;
    const unsigned present = data[0];
    std::size_t at = 1;
    const std::string paths[] = {names.Settings,     names.Strings,      names.Journal(),     names.NewSettings(),
                                 names.NewStrings(), names.BackupSettings, names.BackupStrings};
    for (unsigned i = 0; i < 7; ++i) {
        if (!(present & (1u << i))) continue;
        std::size_t length = 0;
        if (at + 2 <= size) length = data[at] | (data[at + 1] << 8);
        at = at + 2 <= size ? at + 2 : size;
        if (length > size - at) length = size - at;
        fs.AddFile(paths[i], std::string(reinterpret_cast<const char*>(data + at), length));
        at += length;
    }

    Loaded first = Load(fs, logger, names);
    Check(fs.OpenFiles() == 0);
    if (const std::string* sdd = fs.Content(names.Settings))
        Check(first.Settings.size() <= sdd->size() / kSettingsRecordSize);
    Loaded second = Load(fs, logger, names);
    Check(Bytes(second.Settings, second.Strings) == Bytes(first.Settings, first.Strings));
    Check(second.Result.Completed == first.Result.Completed);

    if (first.Result.Completed) {
        // The stored pairs, blank entries included, hold every command at its record.
        std::vector<CommandPair> stored;
        try {
            stored = ReadStoredPairs(fs, names, "fuzz");
        } catch (const RuntimeError&) {
            std::abort();
        }
        Check(fs.OpenFiles() == 0);
        for (std::size_t i = 0; i < first.Settings.size(); ++i) {
            const std::size_t record = static_cast<std::size_t>(first.Result.Records.at(i));
            Check(record < stored.size());
            Check(Bytes({stored[record].Settings}, {stored[record].Strings}) ==
                  Bytes({first.Settings[i]}, {first.Strings[i]}));
        }
    }

    std::vector<CommandPair> pairs;
    for (std::size_t i = 0; i < first.Settings.size(); ++i) pairs.push_back({first.Settings[i], first.Strings[i]});
    ui.Boxes.clear();
    Check(SaveCommandList(fs, logger, ui, clock, "Ambrel", names, pairs, "fuzz"));
    Loaded saved = Load(fs, logger, names);
    Check(saved.Result.Completed && ui.Boxes.empty());
    Check(Bytes(saved.Settings, saved.Strings) == Bytes(first.Settings, first.Strings));
    Check(!fs.FileExists(names.Journal()) && !fs.FileExists(names.NewSettings()) &&
          !fs.FileExists(names.NewStrings()));
    Check(fs.OpenFiles() == 0);
    return 0;
}
