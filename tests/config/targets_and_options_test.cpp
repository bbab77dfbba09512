#include "config/targets_and_options.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

TargetEntry Configured(std::string_view tag, std::string addr, std::string user,
                       std::string password, bool audible, std::int32_t port) {
    TargetEntry entry;
    entry.SetType(tag);
    entry.Addr = std::move(addr);
    entry.User = std::move(user);
    entry.Password = std::move(password);
    entry.Audible = audible;
    entry.Port = port;
    return entry;
}

void GiveStatistics(TargetEntry& entry) {
    entry.Attempts = 4;
    entry.Failures = 1;
    entry.TotalMs = 900;
    entry.LowMs = 100;
    entry.HighMs = 500;
}

void ExpectSameConfiguration(const TargetEntry& actual, const TargetEntry& expected) {
    EXPECT_EQ(actual.Type, expected.Type);
    EXPECT_EQ(actual.Addr, expected.Addr);
    EXPECT_EQ(actual.User, expected.User);
    EXPECT_EQ(actual.Password, expected.Password);
    EXPECT_EQ(actual.Audible, expected.Audible);
    EXPECT_EQ(actual.Port, expected.Port);
    EXPECT_EQ(actual.Security, expected.Security);
}

TargetEntry Protected(TargetEntry entry, TargetSecurity security) {
    entry.Security = security;
    return entry;
}

void ExpectNoStatistics(const TargetEntry& entry) {
    EXPECT_EQ(entry.Attempts, 0);
    EXPECT_EQ(entry.Failures, 0);
    EXPECT_EQ(entry.TotalMs, 0u);
    EXPECT_EQ(entry.LowMs, 0u);
    EXPECT_EQ(entry.HighMs, 0u);
}

TEST(TargetsAndOptionsTest, ReadsOneEntryPerTargetInUseWithTheIntervalAndOption) {
    RunModel model;
    model.SetTargetCount(2);
    model.Target(0) = Configured(kTagPing, "10.0.0.1", "", "", true, 0);
    model.Target(1) = Configured(kTagPop3, "10.0.0.110", "monitor", "", false, 110);
    model.TargetTable[2] = Configured(kTagSmtp, "not in use", "", "", true, 25);
    model.IntervalHours = 1;
    model.IntervalMins = 2;
    model.IntervalSecs = 3;
    model.DeleteLogs = true;

    const TargetsAndOptions settings = ReadTargetsAndOptions(model);

    EXPECT_EQ(settings.Entries,
              (std::vector<std::string>{"<Ping>10.0.0.1  <AUDIBLE>  <Port>0",
                                        "<POP3>10.0.0.110  <User>monitor  <Port>110"}));
    EXPECT_EQ(settings.IntervalHours, 1);
    EXPECT_EQ(settings.IntervalMins, 2);
    EXPECT_EQ(settings.IntervalSecs, 3);
    EXPECT_TRUE(settings.DeleteLogs);
}

// Opening the dialog and confirming it at once must give every target back unchanged, whatever
// it holds, while its statistics start again and the configuration counts as unsaved.
TEST(TargetsAndOptionsTest, ConfirmingWithoutAChangeKeepsEveryTargetAndResetsItsStatistics) {
    const std::vector<TargetEntry> targets = {
        Configured(kTagPing, "10.0.0.1", "", "", true, 0),
        Configured(kTagPop3, "mail.example.com", "monitor", "", false, 110),
        Configured(kTagPop3, "mail.example.com", "", "pw only", true, 995),
        Configured(kTagPop3, "mail.example.com", "user", "pass word", false, 110),
        Configured(kTagSmtp, "10.0.0.25", "", "", false, -1),
        Configured(kTagHtml, "http://10.0.0.80:81/x?y=1", "", "", true, 70000),
        Configured("", "", "", "", true, 0),                      // every entry after New
        Configured("<html>", "www.example.com", "", "", true, 0), // a tag in the wrong case
        Configured("<X>", "host", "", "", false, 7),              // a short, unknown type
        Protected(Configured(kTagPop3, "mail", "op", "pw", true, 995), TargetSecurity::Tls),
        Protected(Configured(kTagSmtp, "relay", "", "", false, 587), TargetSecurity::StartTls),
    };
    RunModel model;
    model.SetTargetCount(static_cast<std::int32_t>(targets.size()));
    for (std::size_t index = 0; index < targets.size(); ++index) {
        model.TargetTable[index] = targets[index];
        GiveStatistics(model.TargetTable[index]);
    }
    model.IntervalSecs = 30;
    model.CAFile = "ca.pem";
    model.CertWarnDays = 10;

    ApplyTargetsAndOptions(ReadTargetsAndOptions(model), model);

    EXPECT_TRUE(model.IniChanged);
    EXPECT_EQ(model.IntervalMins, 5);
    EXPECT_EQ(model.IntervalSecs, 30);
    EXPECT_EQ(model.CAFile, "ca.pem");
    EXPECT_EQ(model.CertWarnDays, 10);
    ASSERT_EQ(model.TargetTable.size(), targets.size());
    for (std::size_t index = 0; index < targets.size(); ++index) {
        SCOPED_TRACE(index);
        ExpectSameConfiguration(model.TargetTable[index], targets[index]);
        ExpectNoStatistics(model.TargetTable[index]);
    }
}

TEST(TargetsAndOptionsTest, AUserMarkerFollowedByNothingLeavesNoUserForTheNextOpening) {
    RunModel model;
    TargetsAndOptions settings;
    settings.Entries = {"<POP3>10.0.0.110  <User>  <Port>110"};
    settings.IntervalMins = 1;

    ApplyTargetsAndOptions(settings, model);

    ASSERT_EQ(model.TargetCount, 1);
    EXPECT_EQ(model.Target(0).User, "");
    EXPECT_EQ(ReadTargetsAndOptions(model).Entries,
              std::vector<std::string>{"<POP3>10.0.0.110  <Port>110"});
}

} // namespace
} // namespace velnorix
