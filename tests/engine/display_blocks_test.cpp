#include "engine/display_blocks.h"
#include "engine/gap_buffer.h"
#include "kit/fake_host.h"
#include "support/case_names.h"

#include <algorithm>
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

// Steps applied to the gap buffer and to a plain vector alike: 'i' inserts Count lines one by
// one at Index, 'e' erases Count lines one by one at Index, 'r' erases them as one range, 'c'
// clears. An Index past the end means the end.
struct GapStep {
    char What;
    std::size_t Index;
    std::size_t Count;
};

struct GapCase {
    const char* Name;
    std::vector<GapStep> Steps;
};

class GapBufferTest : public testing::TestWithParam<GapCase> {};

TEST_P(GapBufferTest, HoldsWhatAVectorHoldsAfterEveryStep) {
    GapBuffer<std::string> buffer;
    std::vector<std::string> expected;
    int made = 0;
    for (const GapStep& step : GetParam().Steps) {
        for (std::size_t n = 0; n < step.Count && step.What != 'c'; ++n) {
            const std::size_t at = std::min(step.Index, expected.size() - (step.What != 'i'));
            if (step.What == 'i') {
                const std::string line = "line " + std::to_string(made++);
                buffer.Insert(at, line);
                expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at), line);
            } else if (step.What == 'e') {
                buffer.Erase(at);
                expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(at));
            }
        }
        if (step.What == 'r') {
            buffer.EraseRange(step.Index, step.Index + step.Count);
            const auto first = expected.begin() + static_cast<std::ptrdiff_t>(step.Index);
            expected.erase(first, first + static_cast<std::ptrdiff_t>(step.Count));
        } else if (step.What == 'c') {
            buffer.Clear();
            expected.clear();
        }
        std::vector<std::string> held;
        for (std::size_t i = 0; i < buffer.Size(); ++i)
            held.push_back(buffer[i]);
        ASSERT_EQ(held, expected) << step.What << step.Index;
    }
    EXPECT_THROW((void)buffer.At(buffer.Size()), std::out_of_range);
}

constexpr std::size_t kEnd = ~std::size_t{0};

INSTANTIATE_TEST_SUITE_P(
    Scripts, GapBufferTest,
    testing::Values(GapCase{"CyclesInsertAtTheHeaderAndTrimTheBottom",
                            {{'i', kEnd, 5},
                             {'i', 5, 40},
                             {'e', kEnd, 0},
                             {'i', 5, 40},
                             {'e', kEnd, 40},
                             {'i', 5, 40},
                             {'e', kEnd, 40}}},
                    GapCase{"AppendsThenDeletesFromTheTop",
                            {{'i', kEnd, 50}, {'e', 0, 30}, {'i', kEnd, 5}}},
                    GapCase{"ChangesFarApartMoveTheGapBothWays",
                            {{'i', kEnd, 30},
                             {'i', 3, 2},
                             {'i', 25, 2},
                             {'e', 1, 2},
                             {'i', 0, 1},
                             {'e', 20, 3},
                             {'r', 4, 10}}},
                    GapCase{"ManyErasesGiveTheRoomBack",
                            {{'i', kEnd, 3000}, {'r', 10, 2500}, {'i', 10, 3}, {'e', 0, 400}}},
                    GapCase{"ClearedBufferIsUsedAgain", {{'i', 0, 20}, {'c', 0, 0}, {'i', 0, 3}}}),
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
