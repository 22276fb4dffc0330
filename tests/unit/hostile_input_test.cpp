// Damaged files and unreadable settings: the list and the options still load
// as far as they soundly can, and nothing garbled is run or shown.

#include <gtest/gtest.h>

#include "unit/command_test_support.h"

namespace ambrel {
namespace {

using testing::Command;
using testing::CommandProgram;

TEST(HostileInput, ATimeOutThatIsNoNumberOfMinutesCountsAsTheDefaultAndADecimalIsRounded) {
    const std::pair<const char*, int> cases[] = {
        {"5", 5},    {" 30 ", 30}, {"1", 1},         {"1440", 1440}, {"0", 120},       {"1441", 120},
        {"-5", 120}, {"abc", 120}, {"", 120},        {"99999999", 120}, {"2e3", 120},  {"1.2.3", 120},
        {".", 120},  {"12.6", 13}, {"12.5", 12},     {"13.5", 14},   {".9", 1},        {"0.4", 120},
        {"1440.4", 1440}, {"1440.6", 120}, {"99999999999999999", 120},
    };
    for (const auto& [text, minutes] : cases) EXPECT_EQ(TimeOutMinutesOf(text), minutes) << "[" << text << "]";
}

TEST(HostileInput, BoxesShowALongLineCutInTheMiddleAndShortOnesWhole) {
    const std::string head(200, 'h'), tail(200, 't');
    const std::string shown = BoxText("Couldn't execute\r\n" + head + tail + "\r\nend");
    EXPECT_EQ(shown, "Couldn't execute\r\n" + std::string(148, 'h') + "..." + std::string(148, 't') + "\r\nend");
    const std::string exact(kBoxLineLimit, 'x');
    EXPECT_EQ(BoxText(exact), exact);
    EXPECT_EQ(BoxText(""), "");
    EXPECT_EQ(BoxText(std::string(40000, 'c')).size(), kBoxLineLimit);
}

TEST(HostileInput, ASettingsFileThatOpensOnlyForReadingStillLoads) {
    CommandProgram p;
    ASSERT_TRUE(p.Save({Command("a"), Command("b")}));
    p.memory.OpenFault = [&](const std::string& path, FileMode mode) {
        return path == p.names.Settings && mode != FileMode::Read ? kErrPermissionDenied : 0L;
    };
    LoadResult result;
    EXPECT_EQ(p.Load(&result).size(), 2u);
    EXPECT_TRUE(result.Completed);
    EXPECT_TRUE(p.ui.Boxes.empty());
}

TEST(HostileInput, ACommandLineOrActionWithAControlCharacterIsNeverWrittenAndWhenFoundEndsTheList) {
    for (int field = 0; field < 4; ++field) {
        for (char c : {'\x01', '\r', '\n', '\x1B', '\x7F'}) {
            CommandProgram p;
            CommandPair bad = Command("b");
            std::string* strings[] = {&bad.Strings.CommandLine, &bad.Strings.UserAction1, &bad.Strings.UserAction2,
                                      &bad.Strings.UserAction3};
            strings[field]->append(1, '#').append("tail");
            ASSERT_TRUE(p.Save({Command("a"), bad, Command("c")}));
            // The writer refuses the character: the stored list stays whole.
            CommandPair worse = bad;
            std::string* worseStrings[] = {&worse.Strings.CommandLine, &worse.Strings.UserAction1,
                                           &worse.Strings.UserAction2, &worse.Strings.UserAction3};
            worseStrings[field]->replace(worseStrings[field]->find('#'), 1, 1, c);
            EXPECT_FALSE(p.Save({Command("x"), worse}));
            ASSERT_EQ(p.Load().size(), 3u) << "a refused save changed the list";
            p.ui.Boxes.clear();
            // Put there by something else (a disk, another program): damage.
            std::string stored = *p.memory.Content(p.names.Strings);
            stored[stored.find("#tail")] = c;
            p.memory.AddFile(p.names.Strings, stored);
            LoadResult result;
            auto loaded = p.Load(&result);
            SCOPED_TRACE("field " + std::to_string(field) + ", character " + std::to_string(c));
            ASSERT_EQ(loaded.size(), 1u);
            EXPECT_FALSE(result.Completed);
            ASSERT_EQ(p.ui.Boxes.size(), 1u);
            EXPECT_NE(p.ui.Boxes[0].Text.find("62"), std::string::npos);
        }
    }
    // What can be typed loads: tabs anywhere, line ends in the message.
    CommandProgram p;
    CommandPair typed = Command("run\tthis");
    typed.Strings.UserAction2 = "notepad\tx";
    typed.Strings.MessageText = "Line one\r\nLine two";
    ASSERT_TRUE(p.Save({typed}));
    EXPECT_EQ(p.Load(), std::vector<CommandPair>{typed});
}

TEST(HostileInput, ACommittedSaveWhoseNewPairIsDamagedLeavesThePreviousList) {
    const std::vector<CommandPair> previous = {Command("old1"), Command("old2")};
    CommandProgram source;
    ASSERT_TRUE(source.Save({Command("new1"), Command("new2"), Command("new3")}));
    const std::string newSdd = *source.memory.Content(source.names.Settings);
    const std::string newSds = *source.memory.Content(source.names.Strings);
    const std::string journal = std::string("ASJ1F") + '\x01' + '\x01' + '\0';

    struct Case {
        const char* Name;
        std::string Sdd, Sds;
    } cases[] = {
        {"a settings record cut short", newSdd.substr(0, newSdd.size() - 3), newSds},
        {"strings cut short", newSdd, newSds.substr(0, newSds.size() - 4)},
        {"a header cut short", newSdd, newSds.substr(0, 7)},
        {"strings overwritten", newSdd, newSds.substr(0, 30) + std::string(40, '\x02')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        CommandProgram p;
        ASSERT_TRUE(p.Save(previous));
        p.memory.AddFile(p.names.NewSettings(), c.Sdd);
        p.memory.AddFile(p.names.NewStrings(), c.Sds);
        p.memory.AddFile(p.names.Journal(), journal);
        EXPECT_EQ(p.Load(), previous);
        EXPECT_FALSE(p.memory.FileExists(p.names.Journal()));
        EXPECT_FALSE(p.memory.FileExists(p.names.NewSettings()));
        EXPECT_FALSE(p.memory.FileExists(p.names.NewStrings()));
        EXPECT_TRUE(p.ui.Boxes.empty());
    }
    // A whole new pair is put in place as before.
    CommandProgram p;
    ASSERT_TRUE(p.Save(previous));
    p.memory.AddFile(p.names.NewSettings(), newSdd);
    p.memory.AddFile(p.names.NewStrings(), newSds);
    p.memory.AddFile(p.names.Journal(), journal);
    EXPECT_EQ(p.Load().size(), 3u);
}

}  // namespace
}  // namespace ambrel
