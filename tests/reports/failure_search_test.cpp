#include "reports/failure_search.h"
#include "reports/sample_logs.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::DetailLogFailingOn;

TEST(FailureSearchTest, SelectsTheMatchWithTheCaretOnTheSideSearchedTowards) {
    const LogText text(DetailLogFailingOn({5}, 6));
    const std::int32_t column = 28; // after the cycle and the time stamp
    ASSERT_EQ(text.Line(4).substr(column, 8), "Failure:");
    EXPECT_EQ(FindFailureForward(text, {}), (TextSelection{{4, column}, {4, column + 8}}));
    EXPECT_EQ(FindFailureBackward(text, text.End()), (TextSelection{{4, column + 8}, {4, column}}));
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
