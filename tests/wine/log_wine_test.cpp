// The logger on a real disk: Win32 files, clock and regional settings; the
// message boxes are answered by the scripted double so none blocks. Paths that
// cannot be opened go through a regular file, since the tests run as root.

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <string>

#include "doubles/scripted_ui.h"
#include "shared/cLogger.h"
#include "shared/errors.h"
#include "shared/vb.h"
#include "win32/files_win32.h"
#include "win32/system_facts_win32.h"

namespace ambrel {
namespace {

using testing::ScriptedUserInteraction;

const std::string kBanner = "*****Error*****Error*****Error*****Error*****Error*****Error";

std::string ReadWhole(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(file);
    return content;
}

void MakeFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

// The content with every heading line that the logger may have written
// between two moments replaced by "<H>"; other heading lines stay as they are.
std::string MarkHeadings(Win32RegionalSettings& regional, double from, double to, const std::string& content) {
    std::string marked;
    std::size_t at = 0;
    while (at < content.size()) {
        std::size_t end = content.find("\r\n", at);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(at, end - at);
        for (double t = std::floor(from * 86400.0); t <= std::ceil(to * 86400.0); t += 1.0) {
            if (line == regional.GeneralDate(t / 86400.0) + " - User: tester") {
                line = "<H>";
                break;
            }
        }
        marked += line + content.substr(end, 2);
        at = end + 2;
    }
    return marked;
}

struct LogUnderWine : ::testing::Test {
    Win32FileSystem files;
    Win32Clock clock;
    Win32RegionalSettings regional;
    ScriptedUserInteraction ui;
};

TEST_F(LogUnderWine, TheGeneralDateIsTheShortDateAndTheLongTimeOfTheUsersLocale) {
    double when = DateSerial(2026, 12, 8) + TimeSerial(16, 5, 9);
    std::string text = regional.GeneralDate(when);
    if (GetUserDefaultLCID() == 0x0409) {
        EXPECT_EQ(text, "12/8/2026 4:05:09 PM");
    } else {
        EXPECT_NE(text.find("2026"), std::string::npos) << text;
        EXPECT_NE(text.find(":05:09"), std::string::npos) << text;
    }
}

TEST_F(LogUnderWine, EntriesReachTheFileWhileItIsOpenAndReadBackByteForByte) {
    ASSERT_TRUE(CreateDirectoryA("C:\\ambrel_log", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\ambrel_log\\Data", nullptr));
    const std::string path = "C:\\ambrel_log\\Data\\ambrel.log";
    double before = clock.Now();
    {
        cLogger logger(files, clock, regional, ui, AppIdentity{"Ambrel 2.0", "C:\\ambrel_log", "Ambrel"});
        logger.LogFile(path);
        logger.LogUser("tester");
        logger.LogActions(true);
        logger.LogErrors(true);
        EXPECT_TRUE(logger.WriteAction("Ran C:\\tools\\backup.exe"));
        try {
            throw RuntimeError(5, "frmAmbrel", "Invalid procedure call or argument");
        } catch (...) {
            CatchCurrentError();
            EXPECT_TRUE(logger.WriteError("", false));
        }
        // Other programs see the entries before the logger lets go of the file.
        EXPECT_NE(ReadWhole(path).find("Error number:  5\r\n"), std::string::npos);
    }
    double after = clock.Now();
    EXPECT_EQ(MarkHeadings(regional, before, after, ReadWhole(path)),
              "<H>\r\nRan C:\\tools\\backup.exe\r\n\r\n" + kBanner +
                  "\r\n<H>\r\nError number:  5\r\nLocation:     frmAmbrel\r\nInvalid procedure call or argument\r\n" +
                  kBanner + "\r\n\r\n");
    EXPECT_TRUE(ui.Boxes.empty());
}

TEST_F(LogUnderWine, AnUnopenableLogGoesToTheProgramFoldersErrorLog) {
    MakeFile("C:\\somefile.txt", "not a folder");
    ASSERT_TRUE(CreateDirectoryA("C:\\ambrel_fb", nullptr));
    {
        cLogger logger(files, clock, regional, ui, AppIdentity{"Ambrel 2.0", "C:\\ambrel_fb", "Ambrel"});
        logger.LogFile("C:\\somefile.txt\\x.log");
        logger.LogUser("tester");
        logger.LogActions(true);
        EXPECT_TRUE(logger.WriteAction("started"));
        EXPECT_EQ(logger.LogFile(), "C:\\somefile.txt\\x.log");
    }
    const std::string notice = "Couldn't open C:\\somefile.txt\\x.log.  Sending log output to C:\\ambrel_fb\\error.log.";
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, notice);
    EXPECT_EQ(ui.Boxes[0].Style, MB_ICONINFORMATION | MB_OK);
    std::string content = ReadWhole("C:\\ambrel_fb\\error.log");
    EXPECT_NE(content.find(" - User: tester\r\n" + notice + "\r\n\r\n"), std::string::npos) << content;
    EXPECT_EQ(content.substr(content.size() - std::string(" - User: tester\r\nstarted\r\n\r\n").size()),
              " - User: tester\r\nstarted\r\n\r\n");
    EXPECT_EQ(ReadWhole("C:\\somefile.txt"), "not a folder");
}

TEST_F(LogUnderWine, WhenTheFallbackFailsTooTheUserIsToldAndTheNextEntryTriesAgain) {
    MakeFile("C:\\somefile.txt", "not a folder");
    // The program folder runs through the file as well, so error.log cannot open.
    cLogger logger(files, clock, regional, ui, AppIdentity{"Ambrel 2.0", "C:\\somefile.txt", "Ambrel"});
    logger.LogFile("C:\\somefile.txt\\x.log");
    logger.LogErrors(true);
    EXPECT_FALSE(logger.WriteError("lost", false));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Couldn't open C:\\somefile.txt\\x.log.");
    EXPECT_EQ(ui.Boxes[0].Style, MB_ICONERROR | MB_OK);
    EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");

    // Once the path is usable the next entry lands in the configured file.
    ASSERT_TRUE(DeleteFileA("C:\\somefile.txt"));
    ASSERT_TRUE(CreateDirectoryA("C:\\somefile.txt", nullptr));
    EXPECT_TRUE(logger.WriteError("kept", false));
    logger.CloseLog();
    std::string content = ReadWhole("C:\\somefile.txt\\x.log");
    EXPECT_NE(content.find("\r\nError: kept\r\n" + kBanner + "\r\n\r\n"), std::string::npos) << content;
    EXPECT_EQ(content.find("lost"), std::string::npos);
    EXPECT_EQ(ui.Boxes.size(), 1u);
}

}  // namespace
}  // namespace ambrel
