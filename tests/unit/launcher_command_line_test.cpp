#include <gtest/gtest.h>

#include "doubles/scripted_ui.h"
#include "launcher/TelvixCommandLine.h"

namespace ambrel {
namespace {

using testing::ScriptedUserInteraction;

std::string Repeat(const std::string& argument, int times) {
    std::string line;
    for (int i = 0; i < times; ++i) line += argument + " ";
    return line;
}

TEST(LauncherCommandLine, SplitsOnBlanksAndTabsIntoAtMostNineArguments) {
    struct Case {
        std::string Line;
        std::vector<std::string> Arguments;
        bool TooMany;
    } cases[] = {
        {"", {}, false},
        {" \t  \t", {}, false},
        {"\t /T=S \t\t /RA=N  ", {"/T=S", "/RA=N"}, false},
        {"\"/T=S /RA=N\"", {"\"/T=S", "/RA=N\""}, false},
        {Repeat("a", 9) + "\t\t", std::vector<std::string>(9, "a"), false},
        {Repeat("a", 9) + "b", {}, true},
    };
    for (const Case& c : cases) {
        bool tooMany = !c.TooMany;
        EXPECT_EQ(SplitLauncherArguments(c.Line, tooMany), c.Arguments) << "[" << c.Line << "]";
        EXPECT_EQ(tooMany, c.TooMany) << "[" << c.Line << "]";
    }
}

TEST(LauncherCommandLine, SetsTheChoiceActsAtOnceOrStopsAtTheFirstBox) {
    const char* const helpLines[] = {"Telvix command line options", "", "/T=   Type of shutdown:",
                                     "\t/T=S Shutdown Windows", "\t/T=R Restart Windows", "\t/T=L Logon as new user",
                                     "", "/RA=  Running Ambrel:", "\t/RA=Y Run Ambrel", "\t/RA=N Don't run Ambrel",
                                     "", "/?    Display these options"};
    std::string help = helpLines[0];
    for (std::size_t i = 1; i < std::size(helpLines); ++i) help += std::string("\r\n") + helpLines[i];
    const auto invalid = [](const std::string& a) { return "'" + a + "' isn't a valid command line argument!"; };
    const int critical = kMbCritical | kMbOkOnly;

    struct Case {
        std::string Line;
        bool ActAtOnce;
        int Option, RunAmbrel;
        std::string Box;  // empty: no box
        int Style;
    } cases[] = {
        {"", false, 0, 1, "", 0},
        {"/T=S", true, 0, 1, "", 0},
        {"/T=R", true, 1, 1, "", 0},
        {"/T=L", true, 3, 1, "", 0},
        {"/RA=N", true, 0, 0, "", 0},
        {"/RA=N /RA=Y", true, 0, 1, "", 0},
        {"/t=r /ra=n", true, 1, 0, "", 0},
        {"/T=R /t=xs /Ra=qN", true, 0, 0, "", 0},
        {"\t /T=L\t\t", true, 3, 1, "", 0},
        {Repeat("/T=R", 9), true, 1, 1, "", 0},
        {Repeat("/T=R", 10), false, 0, 1, "", 0},
        {"/T=", false, 0, 1, invalid("/T="), critical},
        {"/T=X", false, 0, 1, invalid("/T=X"), critical},
        {"-T=S", false, 0, 1, invalid("-T=S"), critical},
        {"T=S", false, 0, 1, invalid("T=S"), critical},
        {"/T", false, 0, 1, invalid("/T"), critical},
        {"/RA=Q", false, 0, 1, invalid("/RA=Q"), critical},
        {"/T=S/RA=N", false, 0, 1, invalid("/T=S/RA=N"), critical},
        {"/x", false, 0, 1, invalid("/x"), critical},
        {"/T=R /X /T=L", false, 1, 1, invalid("/X"), critical},
        {"/?", false, 0, 1, help, kMbOkOnly},
        {"/RA=N /?x /T=R", false, 0, 0, help, kMbOkOnly},
    };
    for (const Case& c : cases) {
        ScriptedUserInteraction ui;
        LauncherChoice choice;
        EXPECT_EQ(ReadLauncherCommandLine(c.Line, choice, ui, "Telvix"), c.ActAtOnce) << "[" << c.Line << "]";
        EXPECT_EQ(choice.Option, c.Option) << "[" << c.Line << "]";
        EXPECT_EQ(choice.RunAmbrel, c.RunAmbrel) << "[" << c.Line << "]";
        ASSERT_EQ(ui.Boxes.size(), c.Box.empty() ? 0u : 1u) << "[" << c.Line << "]";
        if (c.Box.empty()) continue;
        EXPECT_EQ(ui.Boxes[0].Text, c.Box) << "[" << c.Line << "]";
        EXPECT_EQ(ui.Boxes[0].Style, c.Style) << "[" << c.Line << "]";
        EXPECT_EQ(ui.Boxes[0].Title, "Telvix");
    }
}

}  // namespace
}  // namespace ambrel
