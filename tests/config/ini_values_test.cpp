#include "config/ini_values.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

TEST(IniValues, EntryPrefixHasAtLeastTwoDigits) {
    EXPECT_EQ(EntryPrefix(1), "01");
    EXPECT_EQ(EntryPrefix(9), "09");
    EXPECT_EQ(EntryPrefix(10), "10");
    EXPECT_EQ(EntryPrefix(99), "99");
    EXPECT_EQ(EntryPrefix(100), "100");
    EXPECT_EQ(EntryPrefix(1000), "1000");
}

TEST(IniValues, WritesIntegersAsTheirUnsigned32BitValue) {
    EXPECT_EQ(FormatIniInteger(0), "0");
    EXPECT_EQ(FormatIniInteger(110), "110");
    EXPECT_EQ(FormatIniInteger(-1), "4294967295");
    EXPECT_EQ(FormatIniInteger(INT32_MIN), "2147483648");
    EXPECT_EQ(FormatIniBoolean(true), "TRUE");
    EXPECT_EQ(FormatIniBoolean(false), "FALSE");
}

TEST(IniValues, ReadsIntegersModulo2To32OrFallsBack) {
    struct Case {
        std::optional<std::string> text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {std::nullopt, 7},
        {"", 7},
        {"abc", 7},
        {"12abc", 7},
        {"1.5", 7},
        {"0x10", 7},
        {"+", 7},
        {"-", 7},
        {"0", 0},
        {"005", 5},
        {"+15", 15},
        {"-0", 0},
        {"2147483647", 2147483647},
        {"2147483648", INT32_MIN},
        {"4294967295", -1},
        {"0000000000004294967295", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadIniInteger(c.text, 7), c.expected) << c.text.value_or("(absent)");
}

TEST(IniValues, NumbersOutsideUnsigned32BitsAreARangeCheckError) {
    for (const char* text : {"-1", "-4294967296", "4294967296", "99999999999999999999999"}) {
        try {
            (void)ReadIniInteger(std::string(text), 0);
            ADD_FAILURE() << text << " was accepted";
        } catch (const ConfigurationError& error) {
            EXPECT_STREQ(error.what(), "Range check error") << text;
        }
    }
}

TEST(IniValues, ReadsBooleansByWordOrNumber) {
    struct Case {
        std::optional<std::string> text;
        bool fallback;
        bool expected;
    };
    const Case cases[] = {
        {"TRUE", false, true},      {"true", false, true},
        {"tRuE", false, true},      {"FALSE", true, false},
        {"false", true, false},     {"1", false, true},
        {"-1", false, true},        {"0", true, false},
        {"00", true, false},        {"no", true, true},
        {"no", false, false},       {"", true, true},
        {std::nullopt, true, true}, {std::nullopt, false, false},
        {"yes", false, false},      {"99999999999999999999", false, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadIniBoolean(c.text, c.fallback), c.expected)
            << c.text.value_or("(absent)") << " fallback " << c.fallback;
}

} // namespace
} // namespace velnorix
