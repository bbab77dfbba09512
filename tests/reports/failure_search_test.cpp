#include "reports/failure_search.h"
#include "reports/sample_logs.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

using testing::DetailLogFailingOn;

// Follows the search from `start` in one direction until it finds nothing, returning the
// 1-based lines of every match.
std::vector<int> Walk(const LogText& text, std::optional<TextSelection> found, bool forward) {
    std::vector<int> lines;
    while (found) {
        lines.push_back(found->Caret.Line + 1);
        found = forward ? FindFailureForward(text, found->Caret)
                        : FindFailureBackward(text, found->Caret);
    }
    return lines;
}

TEST(FailureSearchTest, WalksDownAndUpThroughEveryFailureLine) {
    const LogText text(DetailLogFailingOn({5, 9, 20}, 24));
    EXPECT_EQ(Walk(text, FindFailureForward(text, {}), true), (std::vector<int>{5, 9, 20}));
    EXPECT_EQ(Walk(text, FindFailureBackward(text, text.End()), false),
              (std::vector<int>{20, 9, 5}));
}

TEST(FailureSearchTest, SelectsTheMatchWithTheCaretOnTheSideSearchedTowards) {
    const LogText text(DetailLogFailingOn({5}, 6));
    const std::int32_t column = 28; // after the cycle and the time stamp
    ASSERT_EQ(text.Line(4).substr(column, 8), "Failure:");
    EXPECT_EQ(FindFailureForward(text, {}), (TextSelection{{4, column}, {4, column + 8}}));
    EXPECT_EQ(FindFailureBackward(text, text.End()), (TextSelection{{4, column + 8}, {4, column}}));
}

TEST(FailureSearchTest, FindsTwoMatchesOnOneLineOneAfterTheOther) {
    const LogText text("x\r\nFailure: and Failure: again\r\ny");
    EXPECT_EQ(FindFailureForward(text, {}), (TextSelection{{1, 0}, {1, 8}}));
    EXPECT_EQ(FindFailureForward(text, {1, 8}), (TextSelection{{1, 13}, {1, 21}}));
    EXPECT_EQ(FindFailureForward(text, {1, 21}), std::nullopt);

    EXPECT_EQ(FindFailureBackward(text, text.End()), (TextSelection{{1, 21}, {1, 13}}));
    EXPECT_EQ(FindFailureBackward(text, {1, 13}), (TextSelection{{1, 8}, {1, 0}}));
    EXPECT_EQ(FindFailureBackward(text, {1, 0}), std::nullopt);
}

TEST(FailureSearchTest, MatchesOnlyTheExactText) {
    const LogText text("failure: lower\r\nFAILURE: upper\r\nFailure without colon\r\nFailure :");
    EXPECT_EQ(FindFailureForward(text, {}), std::nullopt);
    EXPECT_EQ(FindFailureBackward(text, text.End()), std::nullopt);
}

TEST(FailureSearchTest, RespectsWhereTheCaretStandsInItsLine) {
    const LogText text(DetailLogFailingOn({2, 3}, 4));
    // From inside the match on line 2: forward skips it, backward finds it.
    EXPECT_EQ(FindFailureForward(text, {1, 30})->Caret.Line, 2);
    EXPECT_EQ(FindFailureBackward(text, {1, 30})->Caret, (TextPosition{1, 28}));
    // A match that starts exactly at the caret counts forward but not backward.
    EXPECT_EQ(FindFailureForward(text, {1, 28})->Caret, (TextPosition{1, 36}));
    EXPECT_EQ(FindFailureBackward(text, {2, 28})->Caret.Line, 1);
}

TEST(FailureSearchTest, BackwardFromTheStartAndForwardFromTheEndFindNothing) {
    const LogText text(DetailLogFailingOn({1, 3}, 3));
    EXPECT_EQ(FindFailureBackward(text, {}), std::nullopt);
    EXPECT_EQ(FindFailureForward(text, text.End()), std::nullopt);
}

TEST(FailureSearchTest, ALogWithoutFailuresGivesNothingEitherWay) {
    for (const std::string& log : {DetailLogFailingOn({}, 30), std::string()}) {
        const LogText text(log);
        EXPECT_EQ(FindFailureForward(text, {}), std::nullopt);
        EXPECT_EQ(FindFailureBackward(text, text.End()), std::nullopt);
    }
}

TEST(FailureSearchTest, PositionsOutsideTheTextAreTakenAsItsNearestEnd) {
    const LogText text(DetailLogFailingOn({2}, 3));
    EXPECT_EQ(FindFailureForward(text, {-5, -5})->Caret.Line, 1);
    EXPECT_EQ(FindFailureBackward(text, {99, 99})->Caret.Line, 1);
}

TEST(FailureSearchTest, FindsWhatWasTypedIntoTheText) {
    LogText text(DetailLogFailingOn({}, 10));
    const TextPosition end = text.Replace({6, 0}, {6, 0}, "Failure:");
    EXPECT_EQ(FindFailureForward(text, {}), (TextSelection{{6, 0}, end}));
    text.Replace({6, 0}, end, "");
    EXPECT_EQ(FindFailureForward(text, {}), std::nullopt);
}

} // namespace
} // namespace velnorix
