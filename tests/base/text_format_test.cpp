#include "base/date_time.h"
#include "base/text_format.h"
#include "base/utf8_text.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

struct RatioCase {
    std::int64_t Numerator;
    std::int64_t Denominator;
    int Decimals;
    int Width;
    const char* Expected;
};

TEST(FormatRatioTest, RoundsTheExactDecimalValueWithHalvesUp) {
    const RatioCase cases[] = {
        {15, 1000, 2, 5, " 0.02"},      // binary floating point would give 0.01
        {125, 1000, 2, 7, "   0.13"},   // the low response example
        {625, 100, 1, 5, "  6.3"},      // 6.25 %
        {0, 1000, 2, 5, " 0.00"},       // a 0 ms success
        {5020, 1000, 2, 5, " 5.02"},    // the result line example
        {123450, 1000, 2, 5, "123.45"}, // wider than the field: nothing is cut
        {14, 1000, 2, 5, " 0.01"},      // below the half stays down
        {100000, 1000, 1, 5, "100.0"},  // 100 % success
        {5280, 2000, 2, 7, "   2.64"},  // an average over two attempts
        {2, 3, 1, 5, "  0.7"},          // a repeating decimal
        {-1500, 1000, 2, 5, "-1.50"},   // a negative value keeps its sign
    };
    const FormatSettings english;
    for (const auto& c : cases)
        EXPECT_EQ(FormatRatio(c.Numerator, c.Denominator, c.Decimals, c.Width, english), c.Expected)
            << c.Numerator << "/" << c.Denominator;
}

TEST(FormatRatioTest, UsesTheLocalesDecimalSeparator) {
    FormatSettings german;
    german.DecimalSeparator = ",";
    EXPECT_EQ(FormatRatio(125, 1000, 2, 7, german), "   0,13");
    EXPECT_EQ(FormatRatio(625, 100, 1, 5, german), "  6,3");
}

TEST(FormatRatioTest, RefusesADenominatorThatIsNotPositive) {
    EXPECT_THROW(FormatRatio(1, 0, 2, 5, FormatSettings{}), std::invalid_argument);
}

TEST(PaddingTest, PadsToTheWidthAndNeverCuts) {
    EXPECT_EQ(PadRight("ab", 4), "ab  ");
    EXPECT_EQ(PadLeft("ab", 4), "  ab");
    EXPECT_EQ(PadRight("abcdef", 4), "abcdef");
    EXPECT_EQ(PadLeft("abcdef", 4), "abcdef");
    EXPECT_EQ(PadLeft("", 0), "");
}

struct CharacterCase {
    const char* Name;
    std::string_view Text;
    std::size_t Characters;
    std::string_view FirstThree;
};

class CharacterCountTest : public testing::TestWithParam<CharacterCase> {};

TEST_P(CharacterCountTest, CountsAndCutsWholeCharacters) {
    const CharacterCase& c = GetParam();
    EXPECT_EQ(CharacterCount(c.Text), c.Characters);
    EXPECT_EQ(FirstCharacters(c.Text, 3), c.FirstThree);
    // Padding goes by the same count, so a column of mixed text stays aligned.
    EXPECT_EQ(CharacterCount(PadRight(c.Text, 8)), std::max<std::size_t>(c.Characters, 8));
    EXPECT_EQ(CharacterCount(PadLeft(c.Text, 8)), std::max<std::size_t>(c.Characters, 8));
}

INSTANTIATE_TEST_SUITE_P(
    Utf8, CharacterCountTest,
    testing::Values(CharacterCase{"Ascii", "abcd", 4, "abc"}, CharacterCase{"Empty", "", 0, ""},
                    CharacterCase{"TwoByte", "\xC3\xA9t\xC3\xA9s", 4, "\xC3\xA9t\xC3\xA9"},
                    CharacterCase{"ThreeByte", "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC",
                                  4, "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
                    CharacterCase{"FourByte", "a\xF0\x9F\x98\x80xy", 4, "a\xF0\x9F\x98\x80x"},
                    // A byte that starts no valid sequence is one character of its own.
                    CharacterCase{"StrayContinuation", "\x80\x80xy", 4, "\x80\x80x"},
                    CharacterCase{"TruncatedSequence", "ab\xE2\x82", 4, "ab\xE2"}),
    [](const testing::TestParamInfo<CharacterCase>& info) { return info.param.Name; });

TEST(TimeStampTest, FollowsThePatternWithTheLocalesNames) {
    const LocalDateTime t{2026, 12, 6, 14, 3, 27, 512};
    EXPECT_EQ(FormatTimeStamp(t, FormatSettings{}), "14:03:27 Dec 06, 2026  ");

    FormatSettings other;
    other.TimeSeparator = ".";
    other.ShortMonthNames[11] = "dic";
    EXPECT_EQ(FormatTimeStamp(t, other), "14.03.27 dic 06, 2026  ");
    EXPECT_EQ(FormatTimeStamp(LocalDateTime{987, 1, 2, 3, 4, 5, 0}, FormatSettings{}),
              "03:04:05 Jan 02, 0987  ");
}

TEST(TimeStampTest, SystemSettingsOfTheCLocaleAreEnglish) {
    // The test runner pins LC_ALL to a C locale.
    const FormatSettings system = SystemFormatSettings();
    EXPECT_EQ(system.DecimalSeparator, ".");
    EXPECT_EQ(system.TimeSeparator, ":");
    EXPECT_EQ(system.ShortMonthNames[0], "Jan");
    EXPECT_EQ(system.ShortMonthNames[11], "Dec");
}

TEST(DayCountTest, CountsDaysSinceTheEndOf1899) {
    EXPECT_DOUBLE_EQ(ToDayCount(LocalDateTime{1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(ToDayCount(LocalDateTime{1900, 1, 1, 12, 0, 0, 0}), 2.5);
    EXPECT_DOUBLE_EQ(ToDayCount(LocalDateTime{2006, 12, 5, 0, 0, 0, 0}), 39056.0);

    const LocalDateTime leapDay{2024, 2, 29, 23, 59, 59, 999};
    EXPECT_EQ(FromDayCount(ToDayCount(leapDay)), leapDay);
    const LocalDateTime before{1899, 12, 29, 6, 0, 0, 0};
    EXPECT_EQ(FromDayCount(ToDayCount(before)), before);
}

TEST(RunStampTest, IsTwelveDigitsOfTheStartTime) {
    EXPECT_EQ(FormatRunStamp(LocalDateTime{2006, 12, 5, 14, 30, 0, 0}), "061205143000");
    EXPECT_EQ(FormatRunStamp(LocalDateTime{2031, 1, 2, 3, 4, 5, 678}), "310102030405");
}

TEST(FormatElapsedTest, ShowsHoursUnwrappedAndTwoDigitMinutesAndSeconds) {
    constexpr double kSecond = 1.0 / 86400.0;
    EXPECT_EQ(FormatElapsed(7 * kSecond), "0:00:07");
    EXPECT_EQ(FormatElapsed((3600 + 5 * 60 + 9) * kSecond), "1:05:09");
    EXPECT_EQ(FormatElapsed(27 * 3600 * kSecond), "27:00:00");
    EXPECT_EQ(FormatElapsed(0.0), "0:00:00");
    // Milliseconds are dropped, not rounded into the seconds.
    EXPECT_EQ(FormatElapsed(7.9 * kSecond), "0:00:07");
    // The difference of two real stamps, as the engine computes it.
    const double start = ToDayCount(LocalDateTime{2006, 12, 5, 14, 30, 0, 0});
    const double now = ToDayCount(LocalDateTime{2006, 12, 5, 14, 30, 7, 0});
    EXPECT_EQ(FormatElapsed(now - start), "0:00:07");
}

TEST(FormatElapsedTest, ShowsAClockSetBackAsANegativeSpan) {
    constexpr double kSecond = 1.0 / 86400.0;
    EXPECT_EQ(FormatElapsed(-65 * kSecond), "-0:01:05");
}

TEST(FormatElapsedTest, WrapsHoursLikeASixteenBitCount) {
    // 65,536 hours is 2,730 days and 16 hours.
    EXPECT_EQ(FormatElapsed(2730.0 + 16.0 / 24.0 + 1.0 / 1440.0), "0:01:00");
}

} // namespace
} // namespace velnorix
