#include "config/ini_document.h"
#include "support/case_names.h"

#include <gtest/gtest.h>
#include <string>

namespace velnorix {
namespace {

TEST(IniDocument, ReadsNamesWithoutRegardToCaseOrBlanks) {
    const IniDocument document("\xEF\xBB\xBF"
                               "; written by hand\n"
                               "[ targets ]\n"
                               "  COUNT = 3 \t\n"
                               "# Count=9\n"
                               "count=4\n"
                               "Empty=\n"
                               "Equals=a=b\n"
                               "NoEquals\n"
                               "[Other]\n"
                               "Addr=elsewhere\n");
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"Targets", "Count", "3"}, // first of two wins, comment ignored
        {"TARGETS", "count", "3"}, // letter case of both names
        {"Targets", "Empty", ""},  // present but empty
        {"Targets", "Equals", "a=b"},      {"Targets", "NoEquals", std::nullopt},
        {"Targets", "Addr", std::nullopt}, // a key of another section
        {"Other", "Addr", "elsewhere"},    {"Missing", "Count", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(document.Read(c.section, c.key), c.expected) << c.section << "/" << c.key;
}

TEST(IniDocument, ReadsTheFirstOfTwoSectionsOfOneName) {
    const IniDocument document("[A]\r\nk=1\r\n[B]\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n");
    EXPECT_EQ(document.Read("A", "k"), "1");
    EXPECT_EQ(document.Read("A", "j"), std::nullopt);
}

TEST(IniDocument, ReadsValuesOfAnyLength) {
    const std::string longValue(5000, 'x');
    const IniDocument document("[T]\r\nLong=" + longValue + "\r\n");
    EXPECT_EQ(document.Read("T", "Long"), longValue);
}

struct WriteCase {
    const char* Name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class IniDocumentWriteTest : public testing::TestWithParam<WriteCase> {};

TEST_P(IniDocumentWriteTest, ChangesOnlyTheLinesItMust) {
    const WriteCase& c = GetParam();
    IniDocument document(c.before);
    document.Write(c.section, c.key, c.value);
    EXPECT_EQ(document.Text(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniDocumentWriteTest,
    testing::Values(
        WriteCase{"EmptyText", "", "Targets", "Count", "2", "[Targets]\r\nCount=2\r\n"},
        WriteCase{"ValueInPlace", "[T]\nA = 1\nB=2\n", "t", "a", "9", "[T]\nA=9\r\nB=2\n"},
        WriteCase{"OnlyTheFirstOfTwoKeys", "[T]\r\nA=1\r\nA=2\r\n", "T", "A", "3",
                  "[T]\r\nA=3\r\nA=2\r\n"},
        WriteCase{"AfterTheLastKeyOfTheSection", "[T]\r\nA=1\r\n\r\n; next\r\n[U]\r\nB=2\r\n", "T",
                  "C", "3", "[T]\r\nA=1\r\nC=3\r\n\r\n; next\r\n[U]\r\nB=2\r\n"},
        WriteCase{"IntoASectionWithoutKeys", "[T]\n; nothing yet\n[U]\n", "T", "A", "1",
                  "[T]\nA=1\r\n; nothing yet\n[U]\n"},
        WriteCase{"NewSectionAfterALastLineWithoutEnd", "[U]\nB=2", "T", "A", "1",
                  "[U]\nB=2\r\n\r\n[T]\r\nA=1\r\n"},
        WriteCase{"NewKeyAfterALastLineWithoutEnd", "[T]\nB=2", "T", "A", "1",
                  "[T]\nB=2\r\nA=1\r\n"},
        WriteCase{"NewSectionAfterABlankLine", "[U]\r\nB=2\r\n\r\n", "T", "A", "1",
                  "[U]\r\nB=2\r\n\r\n[T]\r\nA=1\r\n"},
        WriteCase{"ByteOrderMarkStays", "\xEF\xBB\xBF[T]\r\nA=1\r\n", "T", "A", "2",
                  "\xEF\xBB\xBF[T]\r\nA=2\r\n"},
        WriteCase{"LineBreaksNeverReachTheFile", "", "T", "Password", "x\r\n02Type=<Ping>\n",
                  "[T]\r\nPassword=x02Type=<Ping>\r\n"}),
    kit::NamedCase{});

TEST(IniDocument, RemovesEverySectionOfTheNameAndKeepsTheRestByteForByte) {
    const std::string other = "; the other section\n"
                              "[Other]  \n"
                              "  spaced   =   value  \r\n"
                              "\tTabbed\t=\tx\n"
                              "\n";
    IniDocument document("[Targets]\r\nCount=5\r\n01Type=<Ping>\r\n" + other +
                         "[TARGETS]\r\nCount=6\r\n");
    document.RemoveSection("targets");
    EXPECT_EQ(document.Text(), other);
    EXPECT_EQ(document.Read("Targets", "Count"), std::nullopt);
    EXPECT_EQ(document.Read("Other", "spaced"), "value");
}

TEST(IniDocument, WriteAfterRemoveBuildsTheSectionInWritingOrder) {
    IniDocument document("[Targets]\r\nB=old\r\nA=old\r\nC=old\r\n");
    document.RemoveSection("Targets");
    document.Write("Targets", "A", "1");
    document.Write("Targets", "B", "2");
    EXPECT_EQ(document.Text(), "[Targets]\r\nA=1\r\nB=2\r\n");
}

TEST(IniDocument, TextOfAnUnchangedDocumentIsTheInput) {
    const std::string inputs[] = {
        "",
        "no section at all",
        "\xEF\xBB\xBF",
        "[T]",
        "[T]\nA=1\r\n\r\n;c\n[U]\r\nx\n\n",
        "[unterminated\nA=1",
    };
    for (const std::string& input : inputs)
        EXPECT_EQ(IniDocument(input).Text(), input);
}

} // namespace
} // namespace velnorix
