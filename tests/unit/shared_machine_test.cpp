// A machine several people share: the monitor of a standard user, Alice,
// with files that Administrators, she or another user (Bob) made, each time
// as the system keeps files on NTFS (owners, access lists, links). A list
// that anyone but its rightful owners could change starts nothing, is
// reported once (the log and one box name the file and the account) and
// leaves every file as it was.

#include "unit/monitor_fixture.h"

#include <map>

#include "shared/FileTrust.h"

namespace ambrel::testing {
namespace {

const FileIdentity kAdmin{"S-1-5-21-7-7-7-500", true};
const FileIdentity kAlice{"S-1-5-21-7-7-7-1001", false};
const FileIdentity kBob{"S-1-5-21-7-7-7-1002", false};
const std::string kData = "C:\\Ambrel\\Data\\";

class Machine final : public Monitor {
public:
    void TestBody() override {}
    using Monitor::files;
    using Monitor::form;
    using Monitor::Log;
    using Monitor::processes;
    using Monitor::Start;
    using Monitor::started;
    using Monitor::ui;

    explicit Machine(bool allUsers, const std::string& logonName = "alice") {
        files.KeepSecurity(kAdmin);
        files.AccountNames[kBob.UserSid] = "PC\\bob";
        files.AccountNames[kAlice.UserSid] = "PC\\alice";
        facts.UserName = logonName;
        StoreOptions([&](cAmbrelOptions& o) { o.AllUsersUseSame(allUsers); });
        if (allUsers) {
            StoreCommands({Cmd("listed.exe")});
        } else {
            // Her own list, made by her.
            files.ActAs(kAlice);
            DatedRegional quiet;
            ScriptedUserInteraction nobody;
            cLogger logger(files, clock, quiet, nobody, app);
            CommandPair pair;
            pair.Settings = NewCommandSettings(Today() - 1);
            pair.Strings.CommandLine = "listed.exe";
            EXPECT_TRUE(SaveCommandList(files, logger, nobody, clock, "corvane",
                                        SetCommandFiles(false, "C:\\Ambrel", "alice"), {pair}, "corvane"));
        }
        files.ActAs(kAlice);
    }

    void Change(const std::string& path, const std::function<void(ObjectSecurity&)>& edit) {
        ObjectSecurity security = files.SecurityOf(path);
        edit(security);
        files.SetSecurity(path, security);
    }

    // The list's files, the trail and the log left out.
    std::map<std::string, std::string> ListFiles() {
        std::map<std::string, std::string> found;
        for (const std::string& path : files.AllFiles()) {
            const std::string name = LCase(path);
            if (name.find(".sd") != std::string::npos || name.find(".commit") != std::string::npos)
                found[name] = *files.Content(path);
        }
        return found;
    }

    std::int16_t RunList() {
        form->ListDone = false;
        return form->RunExecuteList();
    }
};

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

ObjectSecurity Planted(const std::string& path) {
    ObjectSecurity security;
    security.Kept = true;
    security.OwnerSid = kBob.UserSid;
    security.FinalPath = path;
    security.Grants = {{kBob.UserSid, 0x1F01FF}};
    return security;
}

TEST(SharedMachine, AListThatSomeoneElseCouldChangeStartsNothingIsReportedOnceAndChangesNoFile) {
    const std::string sdd = kData + "ambrel.sdd", sds = kData + "ambrel.sds";
    const std::string own = kData + "alice.sdd", ownStrings = kData + "alice.sds";
    auto grant = [](const std::string& sid, std::uint32_t mask) {
        return [=](ObjectSecurity& s) { s.Grants.push_back({sid, mask}); };
    };
    struct Case {
        const char* what;
        bool allUsers;
        std::string logonName;
        std::function<void(Machine&)> change;
        const char* refusal;  // nullptr: the list runs
    } cases[] = {
        {"the all-users pair as the setup program makes it", true, "alice", nullptr, nullptr},
        {"all-users strings of another user", true, "alice",
         [&](Machine& m) { m.Change(sds, [](ObjectSecurity& s) { s.OwnerSid = kBob.UserSid; }); },
         "belongs to PC\\bob"},
        {"Users may write the all-users strings", true, "alice",
         [&](Machine& m) { m.Change(sds, grant(kSidUsers, kAccessWriteData)); }, "can be changed by BUILTIN\\Users"},
        {"Everyone may delete the settings", true, "alice",
         [&](Machine& m) { m.Change(sdd, grant(kSidEveryone, kAccessDelete)); }, "can be changed by Everyone"},
        {"Authenticated Users may change the permissions", true, "alice",
         [&](Machine& m) { m.Change(sds, grant(kSidAuthenticatedUsers, kAccessWriteDac)); },
         "NT AUTHORITY\\Authenticated Users"},
        {"Users may append to the settings, beyond rewriting records", true, "alice",
         [&](Machine& m) { m.Change(sdd, grant(kSidUsers, kAccessAppendData)); }, "can be changed by BUILTIN\\Users"},
        {"no access list at all", true, "alice",
         [&](Machine& m) { m.Change(sds, [](ObjectSecurity& s) { s.HasDacl = false; }); }, "no access list"},
        {"a reparse point", true, "alice",
         [&](Machine& m) { m.Change(sdd, [](ObjectSecurity& s) { s.ReparsePoint = true; }); }, "reparse point"},
        {"two links", true, "alice", [&](Machine& m) { m.Change(sds, [](ObjectSecurity& s) { s.Links = 2; }); },
         "2 names"},
        {"a final path outside Data", true, "alice",
         [&](Machine& m) { m.Change(sds, [](ObjectSecurity& s) { s.FinalPath = "D:\\Elsewhere\\ambrel.sds"; }); },
         "not in the data folder"},
        {"Data itself a junction", true, "alice",
         [&](Machine& m) { m.Change("C:\\Ambrel\\Data", [](ObjectSecurity& s) { s.ReparsePoint = true; }); },
         "The data folder C:\\Ambrel\\Data is not used"},
        {"her own pair", false, "alice", nullptr, nullptr},
        {"her own pair made by an administrator", false, "alice",
         [&](Machine& m) {
             for (const std::string& path : {own, ownStrings})
                 m.Change(path, [](ObjectSecurity& s) { s.OwnerSid = kSidAdministrators; });
         },
         nullptr},
        {"a pair named for her that Bob made", false, "alice",
         [&](Machine& m) { m.Change(ownStrings, [](ObjectSecurity& s) { s.OwnerSid = kBob.UserSid; }); },
         "belongs to PC\\bob"},
        {"a logon name that is the backup's", false, "_temp", nullptr, "cannot name a command list of its own"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m(c.allUsers, c.logonName);
        if (c.change) c.change(m);
        const auto before = m.ListFiles();
        m.Start();
        ASSERT_TRUE(m.started);
        m.RunList();
        m.RunList();  // the next session end: told once, not again
        const std::vector<std::string> ran = [&] {
            std::vector<std::string> lines;
            for (const auto& start : m.processes.Started) lines.push_back(start.CommandLine);
            return lines;
        }();
        if (!c.refusal) {
            EXPECT_EQ(ran, (std::vector<std::string>{"listed.exe", "listed.exe"}));
            EXPECT_TRUE(m.ui.Boxes.empty()) << (m.ui.Boxes.empty() ? "" : m.ui.Boxes[0].Text);
            continue;
        }
        EXPECT_TRUE(ran.empty());
        ASSERT_EQ(m.ui.Boxes.size(), 1u);
        EXPECT_NE(m.ui.Boxes[0].Text.find(c.refusal), std::string::npos) << m.ui.Boxes[0].Text;
        EXPECT_EQ(Count(m.Log(), c.refusal), 1u) << m.Log();
        EXPECT_EQ(m.ListFiles(), before);
    }
}

TEST(SharedMachine, ASaveThatSomeoneElseLeftHalfWayIsNeitherFinishedNorRemoved) {
    Machine m(true);
    // What Bob could plant beside the all-users pair: a whole new pair and the
    // journal that says it is to be moved into place.
    const std::string sdd = kData + "ambrel.sdd", sds = kData + "ambrel.sds";
    const std::string planted[] = {sdd + ".new", sds + ".new", sdd + ".commit"};
    m.files.AddFile(planted[0], *m.files.Content(sdd));
    m.files.AddFile(planted[1], m.files.Content(sds)->substr(0, 18) + std::string("\x08\0evil.exe", 10) +
                                    std::string(8, '\0'));
    m.files.AddFile(planted[2], std::string("ASJ1F\x01\x01\0", 8));
    for (const std::string& path : planted) m.files.SetSecurity(path, Planted(path));
    const auto before = m.ListFiles();

    m.Start();
    m.RunList();
    ASSERT_EQ(m.processes.Started.size(), 1u);
    EXPECT_EQ(m.processes.Started[0].CommandLine, "listed.exe");
    EXPECT_TRUE(m.ui.Boxes.empty());
    for (const std::string& path : planted) EXPECT_EQ(m.ListFiles().at(LCase(path)), before.at(LCase(path)));
    EXPECT_EQ(m.files.ContentOr(sds), before.at(LCase(sds)));
}

// Names that would make a user's own list someone else's files, or none.
TEST(SharedMachine, LogonNamesThatNameOtherFilesGetNoListOfTheirOwn) {
    EXPECT_EQ(UnusableListName("Alice", true), "");
    EXPECT_EQ(UnusableListName("j.smith", true), "");
    for (const char* name : {"AMBREL", "_temp", "bob?", "con", "lpt1.x", "alice.", "alice ", "a/b"})
        EXPECT_NE(UnusableListName(name, true), "") << name;
    EXPECT_NE(UnusableListName("J\xF6rg", false), "") << "a name the code page did not keep whole";
    EXPECT_EQ(SetCommandFiles(true, "C:\\Ambrel", "_temp").Refusal, "") << "the shared list needs no name";
}

}  // namespace
}  // namespace ambrel::testing
