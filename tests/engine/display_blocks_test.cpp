#include "engine/display_blocks.h"
#include "kit/fake_host.h"
#include "support/case_names.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using kit::FakeDisplay;

void Fill(FakeDisplay& display, int lines) {
    for (int i = 0; i < lines; ++i)
        display.Add("line " + std::to_string(i));
}

struct TrimCase {
    const char* Name;
    int Lines;
    std::int32_t TargetCount;
    std::int32_t MaxLines;
    int KeepLines; // the header and the newest block
    int ExpectedLines;
    int ExpectedPasses;
};

class TrimOldBlocksTest : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimOldBlocksTest, RemovesWholeBlocksFromTheBottom) {
    const TrimCase& c = GetParam();
    FakeDisplay display;
    Fill(display, c.Lines);
    display.ResetCounters();

    TrimOldBlocks(display, c.TargetCount, c.MaxLines, c.KeepLines);

    ASSERT_EQ(display.Count(), c.ExpectedLines);
    for (int i = 0; i < display.Count(); ++i)
        EXPECT_EQ(display.Line(i), "line " + std::to_string(i)) << "the top lines must stay";
    EXPECT_EQ(display.UpdatesEnded(), c.ExpectedPasses) << "one batched update per pass";
    EXPECT_EQ(display.ChangesOutsideUpdate(), 0);
    EXPECT_FALSE(display.InUpdate());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimOldBlocksTest,
    testing::Values(
        // Two targets: a 5-line header and three blocks of 3 lines.
        TrimCase{"WithinTheBound", 14, 2, 20, 8, 14, 0},
        TrimCase{"ExactlyAtTheBound", 14, 2, 12, 8, 14, 0},
        TrimCase{"OneBlockOver", 14, 2, 11, 8, 11, 1}, TrimCase{"TwoBlocksOver", 14, 2, 6, 8, 8, 2},
        // A window too small for what one cycle shows keeps the header and the newest block and
        // lets the view scroll: the bound may be 0 or below.
        TrimCase{"TheNewestBlockStaysOnAFullWindow", 14, 2, 0, 8, 8, 2},
        TrimCase{"HeaderAndNewestBlockStayOnATinyWindow", 23 + 21 + 21, 20, 2, 44, 44, 1},
        TrimCase{"NegativeBoundKeepsHeaderAndNewestBlock", 44, 20, -23, 44, 44, 0},
        TrimCase{"NoTargetsRemoveOneLineAPass", 6, 0, 3, 4, 4, 2},
        TrimCase{"EmptyDisplayStaysEmpty", 0, 3, -10, 0, 0, 0}),
    kit::NamedCase{});

TEST(BlockInsertIndexTest, StaysWithinTheLinesThatExist) {
    FakeDisplay display;
    Fill(display, 3);
    EXPECT_EQ(BlockInsertIndex(display, 2), 2);
    EXPECT_EQ(BlockInsertIndex(display, 3), 3);
    EXPECT_EQ(BlockInsertIndex(display, 23), 3);
    EXPECT_EQ(BlockInsertIndex(display, -1), 0);
}

TEST(DisplayUpdateTest, EndsTheUpdateWhenAnErrorLeavesTheScope) {
    FakeDisplay display;
    EXPECT_THROW(
        {
            DisplayUpdate update(display);
            EXPECT_TRUE(display.InUpdate());
            display.Delete(0);
        },
        std::out_of_range);
    EXPECT_FALSE(display.InUpdate());
    EXPECT_EQ(display.UpdatesEnded(), 1);
}

} // namespace
} // namespace velnorix
