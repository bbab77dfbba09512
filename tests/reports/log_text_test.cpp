#include "reports/log_text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace velnorix {
namespace {

std::vector<std::string> LinesOf(const LogText& text) {
    std::vector<std::string> lines;
    for (std::int32_t i = 0; i < text.LineCount(); ++i)
        lines.emplace_back(text.Line(i));
    return lines;
}

std::vector<std::int32_t> FailureLinesByScan(const LogText& text) {
    std::vector<std::int32_t> lines;
    for (std::int32_t i = 0; i < text.LineCount(); ++i)
        if (text.Line(i).find(kFailureText) != std::string_view::npos)
            lines.push_back(i);
    return lines;
}

TEST(LogTextTest, SplitsTheFileIntoLinesAsAnEditorShowsThem) {
    struct Case {
        std::string Bytes;
        std::vector<std::string> Lines;
    };
    const std::vector<Case> cases = {
        {"", {""}},
        {"one", {"one"}},
        {"one\r\ntwo\r\n", {"one", "two", ""}},
        {"one\ntwo", {"one", "two"}},
        {"\r\n\r\n", {"", "", ""}},
        {"a\r\r\nb", {"a\r", "b"}}, // only the CR right before LF belongs to the line end
        {"a\rb", {"a\rb"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinesOf(LogText(c.Bytes)), c.Lines) << '"' << c.Bytes << '"';
}

TEST(LogTextTest, IndexesExactlyTheLinesThatHoldTheFailureText) {
    const LogText text("Success: 1\r\nFailure: 2\r\nfailure: 3\r\nx Failure:Failure: 4\r\n"
                       "Failure 5\r\nFAILURE: 6\r\n");
    EXPECT_EQ(text.FailureLines(), (std::vector<std::int32_t>{1, 3}));
    EXPECT_EQ(text.WidestLine(), std::string("x Failure:Failure: 4").size());
}

TEST(LogTextTest, LinesStayValidWhenTheTextIsMoved) {
    // Short texts live inside the string object itself; the lines must not point there.
    LogText source("ab\ncd");
    const LogText moved(std::move(source));
    EXPECT_EQ(moved.Line(0), "ab");
    EXPECT_EQ(moved.Line(1), "cd");
}

TEST(LogTextTest, ClampsPositionsIntoTheText) {
    const LogText text("abc\r\nde");
    EXPECT_EQ(text.Clamp({-1, 5}), (TextPosition{0, 0}));
    EXPECT_EQ(text.Clamp({0, 9}), (TextPosition{0, 3}));
    EXPECT_EQ(text.Clamp({1, -4}), (TextPosition{1, 0}));
    EXPECT_EQ(text.Clamp({7, 0}), (TextPosition{1, 2}));
    EXPECT_EQ(text.End(), (TextPosition{1, 2}));
}

TEST(LogTextTest, TakesTheTextBetweenTwoPositionsInEitherOrder) {
    const LogText text("first\r\nsecond\r\nthird");
    EXPECT_EQ(text.TextBetween({0, 1}, {0, 4}), "irs");
    EXPECT_EQ(text.TextBetween({2, 2}, {0, 3}), "st\nsecond\nth");
    EXPECT_EQ(text.TextBetween({1, 6}, {2, 0}), "\n");
    EXPECT_EQ(text.TextBetween({1, 2}, {1, 2}), "");
}

TEST(LogTextTest, ReplacesTextAndReturnsThePositionAfterTheInsertion) {
    struct Case {
        const char* What;
        TextPosition From;
        TextPosition To;
        std::string Inserted;
        std::vector<std::string> Lines;
        TextPosition End;
    };
    const std::vector<Case> cases = {
        {"typing", {1, 2}, {1, 2}, "XY", {"alpha", "beXYta", "gamma"}, {1, 4}},
        {"enter", {1, 2}, {1, 2}, "\n", {"alpha", "be", "ta", "gamma"}, {2, 0}},
        {"joining lines", {0, 5}, {1, 0}, "", {"alphabeta", "gamma"}, {0, 5}},
        {"over three lines", {0, 2}, {2, 3}, "-", {"al-ma"}, {0, 3}},
        {"reversed ends", {2, 3}, {0, 2}, "", {"alma"}, {0, 2}},
        {"pasting lines",
         {1, 0},
         {1, 3},
         "x\r\ny\rz\nw",
         {"alpha", "x", "y", "z", "wa", "gamma"},
         {4, 1}},
        {"outside the text", {9, 0}, {9, 0}, "!", {"alpha", "beta", "gamma!"}, {2, 6}},
    };
    for (const Case& c : cases) {
        LogText text("alpha\r\nbeta\r\ngamma");
        EXPECT_EQ(text.Replace(c.From, c.To, c.Inserted), c.End) << c.What;
        EXPECT_EQ(LinesOf(text), c.Lines) << c.What;
    }
}

TEST(LogTextTest, EditsKeepTheFailureIndexInStep) {
    LogText text("Success:\r\nFailure: a\r\nSuccess:\r\nFailure: b\r\n");
    text.Replace({0, 0}, {0, 0}, "new\n"); // shifts both down
    EXPECT_EQ(text.FailureLines(), (std::vector<std::int32_t>{2, 4}));
    text.Replace({2, 0}, {2, 1}, "f"); // "failure:" no longer matches
    EXPECT_EQ(text.FailureLines(), (std::vector<std::int32_t>{4}));
    text.Replace({1, 0}, {1, 0}, "Failure:"); // typed in
    EXPECT_EQ(text.FailureLines(), (std::vector<std::int32_t>{1, 4}));
    text.Replace({0, 0}, {3, 0}, ""); // deleted with the lines around it
    EXPECT_EQ(text.FailureLines(), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(text.Line(1), "Failure: b");
}

TEST(LogTextTest, TheIndexMatchesAFullScanAfterManyRandomEdits) {
    LogText text("Failure: 1\r\nSuccess: 2\r\nFailure: 3\r\nplain\r\n\r\nFailure: Failure:\r\n");
    std::mt19937 random(20261207);
    const std::vector<std::string> pieces = {
        "", "x", "\n", "Failure:", "Fail", "ure:", "\r\n\n", "a\nFailure: b\n"};
    for (int edit = 0; edit < 2000; ++edit) {
        const auto position = [&] {
            const auto line = static_cast<std::int32_t>(random() % text.LineCount());
            const auto length = static_cast<std::uint32_t>(text.Line(line).size());
            return TextPosition{line, static_cast<std::int32_t>(random() % (length + 1))};
        };
        const TextPosition a = position();
        const TextPosition b = random() % 3 == 0 ? position() : a;
        text.Replace(a, b, pieces[random() % pieces.size()]);
        ASSERT_EQ(text.FailureLines(), FailureLinesByScan(text)) << "after edit " << edit;
    }
}

} // namespace
} // namespace velnorix
