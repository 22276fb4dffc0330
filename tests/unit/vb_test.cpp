#include <gtest/gtest.h>

#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel {
namespace {

TEST(Vb, StrPutsABlankBeforeNonNegativeNumbers) {
    EXPECT_EQ(Str(5), " 5");
    EXPECT_EQ(Str(0), " 0");
    EXPECT_EQ(Str(-5), "-5");
}

TEST(Vb, TrimRemovesBlanksOnly) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\ta\t"), "\ta\t");
    EXPECT_EQ(LTrim("  x "), "x ");
    EXPECT_EQ(RTrim("  x "), "  x");
}

long ErrorNumberOf(const std::string& text) {
    try {
        CIntText(text, "test");
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

TEST(Vb, TextToIntegerRoundsHalfToEvenAndRaisesTheStandardErrors) {
    EXPECT_EQ(CIntText(" 2", "t"), 2);
    EXPECT_EQ(CIntText("3 ", "t"), 3);
    EXPECT_EQ(CIntText("-7", "t"), -7);
    EXPECT_EQ(CIntText("2.5", "t"), 2);
    EXPECT_EQ(CIntText("3.5", "t"), 4);
    EXPECT_EQ(CIntText("32767", "t"), 32767);
    EXPECT_EQ(ErrorNumberOf("abc"), kErrTypeMismatch);
    EXPECT_EQ(ErrorNumberOf(""), kErrTypeMismatch);
    EXPECT_EQ(ErrorNumberOf("1 2"), kErrTypeMismatch);
    EXPECT_EQ(ErrorNumberOf("32768"), kErrOverflow);
    EXPECT_EQ(ErrorNumberOf("-32769"), kErrOverflow);
    try {
        CIntText("x", "cAmbrelOptions");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Info().Source, "cAmbrelOptions");
        EXPECT_EQ(e.Info().Description, "Type mismatch");
    }
}

TEST(Vb, ValTakesTheLeadingNumber) {
    EXPECT_EQ(Val("120"), 120);
    EXPECT_EQ(Val(" 12abc"), 12);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_DOUBLE_EQ(Val("1.5 minutes"), 1.5);
}

TEST(Vb, DigitMaskPadsToItsZeros) {
    EXPECT_EQ(FormatDigits(10, "####0000"), "0010");
    EXPECT_EQ(FormatDigits(25, "####0000"), "0025");
    EXPECT_EQ(FormatDigits(123456, "####0000"), "123456");
}

TEST(Vb, OleDatesCountDaysFromTheEndOf1899) {
    EXPECT_EQ(DateSerial(1899, 12, 30), 0);
    EXPECT_EQ(DateSerial(1900, 1, 1), 2);
    EXPECT_EQ(DateSerial(2000, 1, 1), 36526);
    EXPECT_EQ(DateSerial(2024, 2, 29) + 1, DateSerial(2024, 3, 1));
    EXPECT_EQ(DateSerial(2024, 13, 1), DateSerial(2025, 1, 1));

    DateParts p = SplitDate(DateSerial(2026, 12, 8) + TimeSerial(22, 30, 15));
    EXPECT_EQ(p.Year, 2026);
    EXPECT_EQ(p.Month, 12);
    EXPECT_EQ(p.Day, 8);
    EXPECT_EQ(p.Hour, 22);
    EXPECT_EQ(p.Minute, 30);
    EXPECT_EQ(p.Second, 15);

    EXPECT_EQ(Weekday(DateSerial(2026, 12, 6)), 1) << "a Sunday";
    EXPECT_EQ(Weekday(DateSerial(2026, 12, 12)), 7) << "a Saturday";
    EXPECT_EQ(Weekday(DateSerial(1899, 12, 30)), 7);
    EXPECT_NEAR(SecondsOfDay(DateSerial(2026, 1, 1) + TimeSerial(0, 1, 1)), 61.0, 1e-3);
}

TEST(Vb, TimesOfDayInTwelveAndTwentyFourHourForms) {
    double t = -1;
    ASSERT_TRUE(ParseTimeOfDay("12:00 AM", t));
    EXPECT_DOUBLE_EQ(t, 0);
    ASSERT_TRUE(ParseTimeOfDay("12:30 pm", t));
    EXPECT_DOUBLE_EQ(t, TimeSerial(12, 30, 0));
    ASSERT_TRUE(ParseTimeOfDay("10:00 PM", t));
    EXPECT_DOUBLE_EQ(t, TimeSerial(22, 0, 0));
    ASSERT_TRUE(ParseTimeOfDay("22:15:30", t));
    EXPECT_DOUBLE_EQ(t, TimeSerial(22, 15, 30));
    EXPECT_FALSE(ParseTimeOfDay("noon", t));
    EXPECT_FALSE(ParseTimeOfDay("25:00", t));
    EXPECT_FALSE(ParseTimeOfDay("13:00 PM", t));
    EXPECT_FALSE(ParseTimeOfDay("", t));
}

TEST(Vb, CaughtExceptionsBecomeTheCurrentError) {
    try {
        throw RuntimeError(999, "cSystemInfo", "Unable to locate Startup directory");
    } catch (...) {
        CatchCurrentError();
    }
    EXPECT_EQ(Err().Number, 999);
    EXPECT_EQ(Err().Source, "cSystemInfo");
    EXPECT_EQ(Err().Description, "Unable to locate Startup directory");
    try {
        throw std::logic_error("broken");
    } catch (...) {
        CatchCurrentError("Ambrel");
    }
    EXPECT_EQ(Err().Number, 51);
    EXPECT_EQ(Err().Source, "Ambrel");
    EXPECT_EQ(Err().Description, "broken");
}

}  // namespace
}  // namespace ambrel
