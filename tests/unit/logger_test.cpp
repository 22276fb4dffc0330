#include <gtest/gtest.h>

#include "doubles/memory_files.h"
#include "doubles/scripted_ui.h"
#include "shared/cLogger.h"
#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel {
namespace {

using testing::FakeClock;
using testing::MemoryFileSystem;
using testing::ScriptedUserInteraction;

// A general date like the English (United States) settings give.
class FakeRegional final : public IRegionalSettings {
public:
    std::string GeneralDate(double oleDate) override {
        DateParts p = SplitDate(oleDate);
        char text[64];
        std::snprintf(text, sizeof text, "%d/%d/%04d %d:%02d:%02d %s", p.Month, p.Day, p.Year,
                      p.Hour % 12 == 0 ? 12 : p.Hour % 12, p.Minute, p.Second, p.Hour < 12 ? "AM" : "PM");
        return text;
    }
};

const AppIdentity kApp{"Ambrel 2.0", "C:\\Ambrel", "Ambrel"};
const std::string kLog = "C:\\Ambrel\\Data\\ambrel.log";
const std::string kFallback = "C:\\Ambrel\\error.log";
const std::string kBanner = "*****Error*****Error*****Error*****Error*****Error*****Error";

struct LoggerTest : ::testing::Test {
    LoggerTest() {
        files.AddFolder("C:\\Ambrel\\Data");
        logger.LogFile(kLog);
        logger.LogUser("alice");
    }
    void AllOn() {
        logger.LogActions(true);
        logger.LogErrors(true);
        logger.LogDebug(true);
    }

    MemoryFileSystem files;
    FakeClock clock{DateSerial(2026, 12, 8) + TimeSerial(16, 5, 9)};
    FakeRegional regional;
    ScriptedUserInteraction ui;
    cLogger logger{files, clock, regional, ui, kApp};
};

TEST_F(LoggerTest, StartsClosedWithEverySwitchOffAndTheProgramFoldersErrorLog) {
    cLogger fresh(files, clock, regional, ui, kApp);
    EXPECT_EQ(fresh.LogFile(), kFallback);
    EXPECT_EQ(fresh.LogUser(), "<Unknown User>");
    EXPECT_FALSE(fresh.LogErrors());
    EXPECT_FALSE(fresh.LogActions());
    EXPECT_FALSE(fresh.LogDebug());
    EXPECT_FALSE(fresh.WriteAction("a"));
    EXPECT_FALSE(fresh.WriteError("e", false));
    EXPECT_FALSE(fresh.WriteDebug("d"));
    EXPECT_TRUE(files.AllFiles().empty());
    EXPECT_TRUE(ui.Boxes.empty());
}

TEST_F(LoggerTest, WritesEachKindOfEntryLineByLineWithAnEmptyLineAfterIt) {
    AllOn();
    EXPECT_TRUE(logger.WriteAction("Ran notepad.exe"));
    clock.Time += TimeSerial(0, 0, 1);
    EXPECT_TRUE(logger.WriteError("Could not start x.exe", false));
    Err() = {5, "frmAmbrel", "Invalid procedure call or argument"};
    EXPECT_TRUE(logger.WriteError("", false));
    Err() = {-2147024894, "cRunner", "Not found"};
    EXPECT_TRUE(logger.WriteError("", false));
    EXPECT_TRUE(logger.WriteDebug("timer fired"));
    const std::string h1 = "12/8/2026 4:05:09 PM - User: alice\r\n";
    const std::string h2 = "12/8/2026 4:05:10 PM - User: alice\r\n";
    const std::string b = kBanner + "\r\n";
    EXPECT_EQ(files.ContentOr(kLog),
              h1 + "Ran notepad.exe\r\n\r\n" +
              b + h2 + "Error: Could not start x.exe\r\n" + b + "\r\n" +
              b + h2 + "Error number:  5\r\nLocation:     frmAmbrel\r\nInvalid procedure call or argument\r\n" + b + "\r\n" +
              b + h2 + "Error number: -2147024894\r\nLocation:     cRunner\r\nNot found\r\n" + b + "\r\n" +
              "*****Debug*****\r\n" + h2 + "Debug: timer fired\r\n\r\n");
    EXPECT_TRUE(ui.Boxes.empty());
}

TEST_F(LoggerTest, ErrorsOnlyWritesNoActionAndCreatesTheFileOnTheFirstError) {
    logger.LogErrors(true);
    EXPECT_FALSE(logger.WriteAction("ignored"));
    EXPECT_FALSE(logger.WriteDebug("ignored"));
    EXPECT_FALSE(files.FileExists(kLog));
    EXPECT_EQ(files.OpenFiles(), 0);
    EXPECT_TRUE(logger.WriteError("first", false));
    EXPECT_EQ(files.ContentOr(kLog), kBanner + "\r\n12/8/2026 4:05:09 PM - User: alice\r\nError: first\r\n" + kBanner +
                                         "\r\n\r\n");
}

TEST_F(LoggerTest, KeepsTheFileOpenUntilDestroyedAndAppendsToWhatWasThere) {
    files.AddFile(kLog, "old\r\n");
    {
        cLogger own(files, clock, regional, ui, kApp);
        own.LogFile(kLog);
        own.LogActions(true);
        EXPECT_TRUE(own.WriteAction("one"));
        EXPECT_TRUE(own.WriteAction("two"));
        EXPECT_EQ(files.OpenFiles(), 1);
        // Opening again does not leave a second handle behind.
        EXPECT_TRUE(own.OpenLog());
        EXPECT_EQ(files.OpenFiles(), 1);
    }
    EXPECT_EQ(files.OpenFiles(), 0);
    const std::string h = "12/8/2026 4:05:09 PM - User: <Unknown User>\r\n";
    EXPECT_EQ(files.ContentOr(kLog), "old\r\n" + h + "one\r\n\r\n" + h + "two\r\n\r\n");
}

TEST_F(LoggerTest, TheErrorBoxShowsBeforeAnythingIsWrittenWhateverTheSwitches) {
    Err() = {999, "cSystemInfo", "Unable to locate Startup directory"};
    EXPECT_FALSE(logger.WriteError("", true));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Error number: \t999\r\nLocation:     \tcSystemInfo\r\nUnable to locate Startup directory");
    EXPECT_EQ(ui.Boxes[0].Style, kMbCritical | kMbOkOnly);
    EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");
    EXPECT_TRUE(files.AllFiles().empty());

    logger.LogErrors(true);
    std::size_t boxesWhenOpened = 99;
    files.OpenFault = [&](const std::string&, FileMode) {
        boxesWhenOpened = ui.Boxes.size();
        return 0L;
    };
    EXPECT_TRUE(logger.WriteError("Disk is read-only", true));
    EXPECT_EQ(boxesWhenOpened, 2u);
    EXPECT_EQ(ui.Boxes[1].Text, "Disk is read-only");
    EXPECT_NE(files.ContentOr(kLog).find("Error: Disk is read-only\r\n"), std::string::npos);
}

TEST_F(LoggerTest, AMissingLocationSendsTheNoticeAndTheEntryToTheFallback) {
    logger.LogFile("   ");
    logger.LogActions(true);
    EXPECT_TRUE(logger.WriteAction("started"));
    const std::string notice = "Logfile location was missing.  Sending log output to C:\\Ambrel\\error.log.";
    const std::string h = "12/8/2026 4:05:09 PM - User: alice\r\n";
    EXPECT_EQ(files.ContentOr(kFallback), h + notice + "\r\n\r\n" + h + "started\r\n\r\n");
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, notice);
    EXPECT_EQ(ui.Boxes[0].Style, kMbInformation | kMbOkOnly);
    EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");
    EXPECT_EQ(logger.LogFile(), "   ");
}

TEST_F(LoggerTest, WithActionsOffTheDivertingEntryIsLostButLaterOnesReachTheFallback) {
    logger.LogFile("C:\\Nowhere\\ambrel.log");
    logger.LogErrors(true);
    EXPECT_FALSE(logger.WriteError("first", false));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text,
              "Couldn't open C:\\Nowhere\\ambrel.log.  Sending log output to C:\\Ambrel\\error.log.");
    EXPECT_EQ(files.ContentOr(kFallback), "");
    EXPECT_TRUE(logger.WriteError("second", false));
    EXPECT_EQ(files.ContentOr(kFallback), kBanner + "\r\n12/8/2026 4:05:09 PM - User: alice\r\nError: second\r\n" +
                                              kBanner + "\r\n\r\n");
    EXPECT_EQ(ui.Boxes.size(), 1u);
}

TEST_F(LoggerTest, WhenNeitherFileOpensOneCriticalBoxNamesTheLogAndTheNextEntryTriesAgain) {
    MemoryFileSystem bare;  // no program folder either
    cLogger own(bare, clock, regional, ui, kApp);
    own.LogFile("C:\\Logs\\ambrel.log");
    own.LogActions(true);
    EXPECT_FALSE(own.WriteAction("lost"));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Couldn't open C:\\Logs\\ambrel.log.");
    EXPECT_EQ(ui.Boxes[0].Style, kMbCritical | kMbOkOnly);
    EXPECT_TRUE(bare.AllFiles().empty());

    bare.AddFolder("C:\\Logs");
    EXPECT_TRUE(own.WriteAction("kept"));
    EXPECT_EQ(bare.ContentOr("C:\\Logs\\ambrel.log"), "12/8/2026 4:05:09 PM - User: <Unknown User>\r\nkept\r\n\r\n");
    EXPECT_EQ(ui.Boxes.size(), 1u);
}

TEST_F(LoggerTest, AfterACloseTheConfiguredFileIsTriedAgain) {
    logger.LogFile("C:\\Later\\ambrel.log");
    logger.LogActions(true);
    EXPECT_TRUE(logger.WriteAction("diverted"));
    files.AddFolder("C:\\Later");
    logger.CloseLog();
    EXPECT_TRUE(logger.WriteAction("home again"));
    EXPECT_EQ(files.ContentOr("C:\\Later\\ambrel.log"), "12/8/2026 4:05:09 PM - User: alice\r\nhome again\r\n\r\n");
    EXPECT_EQ(ui.Boxes.size(), 1u);
}

TEST_F(LoggerTest, AFailedWriteEndsTheEntryQuietlyAndTheNextEntryReopens) {
    logger.LogActions(true);
    ASSERT_TRUE(logger.WriteAction("one"));
    // The second line of the next entry cannot be written (a full disk).
    files.FailWriteNumber(2);
    EXPECT_FALSE(logger.WriteAction("two"));
    EXPECT_EQ(files.OpenFiles(), 0);
    EXPECT_TRUE(logger.WriteAction("three"));
    const std::string h = "12/8/2026 4:05:09 PM - User: alice\r\n";
    EXPECT_EQ(files.ContentOr(kLog), h + "one\r\n\r\n" + h + h + "three\r\n\r\n");
    EXPECT_TRUE(ui.Boxes.empty());

    // A failure while the fallback notice is written: the notice stops short,
    // nothing is raised, and the next entry goes through the fallback again.
    MemoryFileSystem other;
    other.AddFolder("C:\\Ambrel");
    cLogger own(other, clock, regional, ui, kApp);
    own.LogFile("");
    own.LogActions(true);
    other.FailWriteNumber(1);
    EXPECT_FALSE(own.WriteAction("x"));
    EXPECT_EQ(other.OpenFiles(), 0);
    EXPECT_TRUE(own.WriteAction("y"));
    EXPECT_NE(other.ContentOr(kFallback).find("y\r\n\r\n"), std::string::npos);
}

}  // namespace
}  // namespace ambrel
