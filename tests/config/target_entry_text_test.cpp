#include "config/target_entry_text.h"
#include "support/case_names.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

struct EntryCase {
    const char* Name;
    TargetEntryFields fields;
    std::string text;
};

class TargetEntryTextTest : public testing::TestWithParam<EntryCase> {};

TEST_P(TargetEntryTextTest, ComposesTheTextAndSplitsItBack) {
    const EntryCase& c = GetParam();
    EXPECT_EQ(FormatTargetEntry(c.fields), c.text);
    EXPECT_EQ(ParseTargetEntry(c.text), c.fields);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, TargetEntryTextTest,
    testing::Values(
        EntryCase{"AudiblePing",
                  {"<Ping>", "10.0.0.1", "", "", true, 0},
                  "<Ping>10.0.0.1  <AUDIBLE>  <Port>0"},
        EntryCase{"Pop3UserWithoutPassword",
                  {"<POP3>", "10.0.0.110", "monitor", "", false, 110},
                  "<POP3>10.0.0.110  <User>monitor  <Port>110"},
        EntryCase{"NewHtmlTarget", {"<HTML>", "", "", "", true, 80}, "<HTML>  <AUDIBLE>  <Port>80"},
        EntryCase{"PasswordWithoutUser",
                  {"<POP3>", "mail", "", "s3cret", false, 110},
                  "<POP3>mail  <Password>s3cret  <Port>110"},
        EntryCase{"UserAndPassword",
                  {"<POP3>", "mail", "op", "pw", true, 995},
                  "<POP3>mail  <User>op  <Password>pw  <AUDIBLE>  <Port>995"},
        EntryCase{"UrlWithPath",
                  {"<HTML>", "http://h:8080/a b?c=1", "", "", false, 8080},
                  "<HTML>http://h:8080/a b?c=1  <Port>8080"},
        EntryCase{
            "NegativePortKept", {"<SMTP>", "relay", "", "", false, -1}, "<SMTP>relay  <Port>-1"},
        EntryCase{"PortAbove16Bits",
                  {"<SMTP>", "relay", "", "", false, 70000},
                  "<SMTP>relay  <Port>70000"},
        // Every entry after New: no type, no address. It must not turn into "  <AUD".
        EntryCase{"EmptyType", {"", "", "", "", true, 0}, "        <AUDIBLE>  <Port>0"},
        EntryCase{"EmptyTypeWithAddress",
                  {"", "host", "u", "", false, 0},
                  "      host  <User>u  <Port>0"},
        EntryCase{"LowerCaseTag",
                  {"<html>", "web", "", "", true, 8080},
                  "<html>web  <AUDIBLE>  <Port>8080"},
        EntryCase{"ShortUnknownType", {"ab", "host", "", "", false, 7}, "ab    host  <Port>7"},
        EntryCase{
            "TypeWithLeadingBlanks", {"  <AUD", "IBLE>", "", "", false, 0}, "  <AUDIBLE>  <Port>0"},
        EntryCase{"Pop3OverTlsWithEveryField",
                  {"<POP3>", "mail", "op", "pw", true, 995, TargetSecurity::Tls},
                  "<POP3>mail  <User>op  <Password>pw  <AUDIBLE>  <TLS>  <Port>995"},
        EntryCase{"SmtpStartTls",
                  {"<SMTP>", "relay", "", "", false, 587, TargetSecurity::StartTls},
                  "<SMTP>relay  <STARTTLS>  <Port>587"}),
    kit::NamedCase{});

TEST(TargetEntryText, TrimsTheEditorsFieldsAndDropsLineBreaksFromTheAddress) {
    const TargetEntryFields typed{
        "<HTML>", " \thttp://example.test/\r\npath\n ", " op\x01 ", "\tpw  ", true, 80};
    EXPECT_EQ(FormatTargetEntry(typed),
              "<HTML>http://example.test/path  <User>op  <Password>pw  <AUDIBLE>  <Port>80");
}

TEST(TargetEntryText, BlankOnlyUserGivesAnEmptyMarkerThatParsesToNoUser) {
    const std::string text = FormatTargetEntry({"<POP3>", "mail", "   ", "", false, 110});
    EXPECT_EQ(text, "<POP3>mail  <User>  <Port>110");
    const TargetEntryFields parsed = ParseTargetEntry(text);
    EXPECT_EQ(parsed.User, "");
    EXPECT_EQ(parsed.Addr, "mail");
    // Stored empty, the next composition carries no marker for it.
    EXPECT_EQ(FormatTargetEntry(parsed), "<POP3>mail  <Port>110");
}

TEST(TargetEntryText, LongerTypeKeepsItsFirstSixCharacters) {
    EXPECT_EQ(FormatTargetEntry({"<SMTP>xyz", "relay", "", "", false, 25}),
              "<SMTP>relay  <Port>25");
}

TEST(TargetEntryText, MarkerTextInsideAFieldSplitsTheEntryThere) {
    // A documented limitation: the search cannot tell a marker from the same text in a field.
    const std::string text =
        FormatTargetEntry({"<POP3>", "mail", "a  <Password>b", "", false, 110});
    const TargetEntryFields parsed = ParseTargetEntry(text);
    EXPECT_EQ(parsed.User, "a");
    EXPECT_EQ(parsed.Password, "b");

    // A port marker inside the password leaves no readable port: the type's default stands.
    const TargetEntryFields broken =
        ParseTargetEntry(FormatTargetEntry({"<POP3>", "m", "", "x  <Port>y", false, 2110}));
    EXPECT_EQ(broken.Password, "x");
    EXPECT_EQ(broken.Port, 110);

    // Audible marker inside the address: the address is cut there and the flag is set.
    const TargetEntryFields cut =
        ParseTargetEntry(FormatTargetEntry({"<Ping>", "h  <AUDIBLE>z", "", "", false, 0}));
    EXPECT_EQ(cut.Addr, "h");
    EXPECT_TRUE(cut.Audible);

    // Port marker inside the address ahead of a user: positions beyond the cut read nothing.
    const TargetEntryFields early =
        ParseTargetEntry(FormatTargetEntry({"<POP3>", "h  <Port>1", "u", "p", true, 110}));
    EXPECT_EQ(early.Addr, "h");
    EXPECT_EQ(early.User, "");
    EXPECT_EQ(early.Port, 110);
}

TEST(TargetEntryText, ParsesTextsThatCarryNoMarkerOrAreShort) {
    struct Case {
        std::string text;
        TargetEntryFields expected;
    };
    const Case cases[] = {
        {"<HTML> http://x/ \t", {"<HTML>", "http://x/", "", "", false, 80}},
        {"<SMTP>relay  <Port>", {"<SMTP>", "relay", "", "", false, 25}},
        {"<SMTP>relay  <Port>abc", {"<SMTP>", "relay", "", "", false, 25}},
        {"<HT", {"<HT", "", "", "", false, 0}},
        {"", {"", "", "", "", false, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseTargetEntry(c.text), c.expected) << c.text;
}

TEST(TargetEntryText, AProtectionMarkerStandsAloneAndChangesTheDefaultPort) {
    struct Case {
        std::string text;
        TargetEntryFields expected;
    };
    const Case cases[] = {
        {"<POP3>mail  <TLS>", {"<POP3>", "mail", "", "", false, 995, TargetSecurity::Tls}},
        {"<SMTP>relay  <STARTTLS>  <Port>x",
         {"<SMTP>", "relay", "", "", false, 587, TargetSecurity::StartTls}},
        {"<SMTP>relay  <TLS>  <AUDIBLE>  <Port>",
         {"<SMTP>", "relay", "", "", true, 465, TargetSecurity::Tls}},
        // Marker names are exact, like the other markers.
        {"<POP3>mail  <tls>  <Port>110", {"<POP3>", "mail  <tls>", "", "", false, 110}},
        // The first of two markers decides.
        {"<SMTP>relay  <STARTTLS>  <TLS>  <Port>25",
         {"<SMTP>", "relay", "", "", false, 25, TargetSecurity::StartTls}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseTargetEntry(c.text), c.expected) << c.text;
}

TEST(TargetEntryText, ReadsPortTextAsADecimal32BitInteger) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {"80", 80},         {" 8080\t", 8080},   {"-1", -1},
        {"+25", 25},        {"70000", 70000},    {"2147483647", 2147483647},
        {"2147483648", {}}, {"-2147483649", {}}, {"", {}},
        {"   ", {}},        {"abc", {}},         {"12a", {}},
        {"+-5", {}},        {"-", {}},           {"1 2", {}},
        {"0x10", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParsePortText(c.text), c.expected) << c.text;
}

} // namespace
} // namespace velnorix
