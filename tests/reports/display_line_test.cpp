#include "reports/display_line.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

TEST(DisplayLineTest, DecodesUtf8AndReplacesEveryStrayByteOnItsOwn) {
    struct Case {
        const char* What;
        std::string Bytes;
        std::u16string Text;
    };
    const std::vector<Case> cases = {
        {"ascii", "Failure: 1", u"Failure: 1"},
        {"two-byte",
         "d\xC3\xA9"
         "c",
         u"d\u00E9c"},
        {"three-byte",
         "\xE2\x82\xAC"
         "5",
         u"\u20AC5"},
        {"four-byte", "a\xF0\x9F\x98\x80", u"a\U0001F600"},
        {"lone continuation",
         "a\x80"
         "b",
         u"a\uFFFDb"},
        {"cut-off sequence", "\xE2\x82", u"\uFFFD\uFFFD"},
        {"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"latin-1", "Ao\xFBt", u"Ao\uFFFDt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DisplayLine(c.Bytes).Text(), c.Text) << c.What;
}

TEST(DisplayLineTest, MapsCharactersToTheirBytesAndBack) {
    // "d", "é" (2 bytes), "😀" (4 bytes, 2 units), a stray byte, "x".
    const DisplayLine line("d\xC3\xA9\xF0\x9F\x98\x80\x80x");
    EXPECT_EQ(line.Text().size(), 6u);
    const std::vector<std::int32_t> byteOfUnit = {0, 1, 3, 3, 7, 8, 9};
    for (std::int32_t unit = 0; unit < 7; ++unit)
        EXPECT_EQ(line.ByteOfUnit(unit), byteOfUnit[static_cast<std::size_t>(unit)]) << unit;
    EXPECT_EQ(line.UnitOfByte(3), 2);
    EXPECT_EQ(line.UnitOfByte(8), 5);
    EXPECT_EQ(line.UnitOfByte(9), 6);
    EXPECT_EQ(line.UnitOfByte(50), 6);
    EXPECT_EQ(line.ByteOfUnit(-1), 0);
}

TEST(DisplayLineTest, StepsOverWholeCharacters) {
    const DisplayLine line("d\xC3\xA9\xF0\x9F\x98\x80\x80x");
    std::vector<std::int32_t> forward = {0};
    while (forward.back() < 9)
        forward.push_back(line.NextByte(forward.back()));
    EXPECT_EQ(forward, (std::vector<std::int32_t>{0, 1, 3, 7, 8, 9}));
    std::vector<std::int32_t> backward = {9};
    while (backward.back() > 0)
        backward.push_back(line.PreviousByte(backward.back()));
    EXPECT_EQ(backward, (std::vector<std::int32_t>{9, 8, 7, 3, 1, 0}));

    const DisplayLine ascii("abc");
    EXPECT_EQ(ascii.NextByte(3), 3);
    EXPECT_EQ(ascii.PreviousByte(0), 0);
    EXPECT_EQ(ascii.NextByte(1), 2);
}

} // namespace
} // namespace velnorix
