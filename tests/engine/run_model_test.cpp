#include "engine/run_model.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

TEST(RunModelTest, ResetTargetsResetsTheWholeTableButNothingElse) {
    RunModel model;
    model.SetTargetCount(2);
    model.IntervalSecs = 7;
    for (TargetEntry& entry : model.TargetTable) {
        entry.SetType(kTagPing);
        entry.Addr = "192.0.2.1";
        entry.Attempts = 3;
        entry.LowMs = 9;
        entry.Audible = false;
    }
    model.ResetTargets();
    EXPECT_EQ(model.TargetCount, 2);
    EXPECT_EQ(model.IntervalSecs, 7);
    ASSERT_EQ(model.TargetTable.size(), 10u);
    for (const TargetEntry& entry : model.TargetTable) { // entries past TargetCount too
        EXPECT_TRUE(entry.Type.empty());
        EXPECT_TRUE(entry.Addr.empty());
        EXPECT_EQ(entry.Attempts, 0);
        EXPECT_EQ(entry.LowMs, 0u);
        EXPECT_TRUE(entry.Audible);
    }
}

TEST(RunModelTest, RaisingTheCountGrowsTheTableWithResetEntries) {
    RunModel model;
    model.TargetTable[9].Addr = "kept";
    model.SetTargetCount(12);
    ASSERT_EQ(model.TargetTable.size(), 12u);
    EXPECT_EQ(model.TargetTable[9].Addr, "kept");
    EXPECT_TRUE(model.TargetTable[11].Audible);
    EXPECT_EQ(&model.Target(11), &model.TargetTable[11]);
}

TEST(RunModelTest, KeepsItsInvariantsAgainstBadCounts) {
    RunModel model;
    model.SetTargetCount(-4);
    EXPECT_EQ(model.TargetCount, 0);
    model.ResizeAndResetTable(0);
    EXPECT_EQ(model.TargetTable.size(), 1u);
    model.ResizeAndResetTable(3);
    EXPECT_EQ(model.TargetTable.size(), 3u);
    EXPECT_THROW(static_cast<void>(model.Target(0)), std::out_of_range); // no target in use
}

TEST(TargetEntryTest, KeepsOnlySixCharactersOfAType) {
    TargetEntry entry;
    entry.SetType("<SMTP>xyz");
    EXPECT_EQ(entry.Type, "<SMTP>");
    entry.SetType("<H>");
    EXPECT_EQ(entry.Type, "<H>");
    entry.SetType("<\xC3\x9Cn\xC3\xAB>xy"); // never cut inside a character
    EXPECT_EQ(entry.Type, "<\xC3\x9Cn\xC3\xAB>x");
}

TEST(TestTypeTest, MatchesTheFourTagsExactly) {
    EXPECT_EQ(TestTypeOf("<HTML>"), TestType::Html);
    EXPECT_EQ(TestTypeOf("<Ping>"), TestType::Ping);
    EXPECT_EQ(TestTypeOf("<POP3>"), TestType::Pop3);
    EXPECT_EQ(TestTypeOf("<SMTP>"), TestType::Smtp);
    EXPECT_EQ(TestTypeOf("<html>"), TestType::Unknown);
    EXPECT_EQ(TestTypeOf("<PING>"), TestType::Unknown);
    EXPECT_EQ(TestTypeOf(""), TestType::Unknown);
    EXPECT_EQ(DefaultPort(TestType::Html), 80);
    EXPECT_EQ(DefaultPort(TestType::Ping), 0);
    EXPECT_EQ(DefaultPort(TestType::Pop3), 110);
    EXPECT_EQ(DefaultPort(TestType::Smtp), 25);
}

} // namespace
} // namespace velnorix
