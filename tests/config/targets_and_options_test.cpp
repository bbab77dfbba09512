#include "config/target_entry_text.h"
#include "config/targets_and_options.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

TargetSettings Configured(std::string_view tag, std::string addr, std::string user,
                          std::string password, bool audible, std::int32_t port,
                          TargetSecurity security = TargetSecurity::None) {
    TargetSettings entry;
    entry.SetType(tag);
    entry.Addr = std::move(addr);
    entry.User = std::move(user);
    entry.Password = std::move(password);
    entry.Audible = audible;
    entry.Port = port;
    entry.Security = security;
    return entry;
}

TEST(TargetsAndOptionsTest, TheDialogListShowsEachTargetAsOneEntry) {
    EXPECT_EQ(EntryTextOf(Configured(kTagPing, "10.0.0.1", "", "", true, 0)),
              "<Ping>10.0.0.1  <AUDIBLE>  <Port>0");
    EXPECT_EQ(EntryTextOf(Configured(kTagPop3, "10.0.0.110", "monitor", "", false, 110)),
              "<POP3>10.0.0.110  <User>monitor  <Port>110");
    // A user marker followed by nothing leaves no user for the next opening.
    const TargetSettings blankUser = TargetOfEntryText("<POP3>10.0.0.110  <User>  <Port>110");
    EXPECT_EQ(blankUser.User, "");
    EXPECT_EQ(EntryTextOf(blankUser), "<POP3>10.0.0.110  <Port>110");
}

// Opening the dialog and confirming it at once must give every target back unchanged, whatever
// it holds, while its statistics start again and the configuration counts as unsaved.
TEST(TargetsAndOptionsTest, ConfirmingWithoutAChangeKeepsEveryTargetAndResetsItsStatistics) {
    const std::vector<TargetSettings> targets = {
        Configured(kTagPing, "10.0.0.1", "", "", true, 0),
        Configured(kTagPop3, "mail.example.com", "monitor", "", false, 110),
        Configured(kTagPop3, "mail.example.com", "", "pw only", true, 995),
        Configured(kTagPop3, "mail.example.com", "user", "pass word", false, 110),
        Configured(kTagSmtp, "10.0.0.25", "", "", false, -1),
        Configured(kTagHtml, "http://10.0.0.80:81/x?y=1", "", "", true, 70000),
        Configured("", "", "", "", true, 0),                      // every entry after New
        Configured("<html>", "www.example.com", "", "", true, 0), // a tag in the wrong case
        Configured("<X>", "host", "", "", false, 7),              // a short, unknown type
        Configured(kTagPop3, "mail", "op", "pw", true, 995, TargetSecurity::Tls),
        Configured(kTagSmtp, "relay", "", "", false, 587, TargetSecurity::StartTls),
    };
    RunModel model;
    model.Config.Targets = targets;
    model.SetTargetCount(model.TargetCount());
    for (std::int32_t index = 0; index < model.TargetCount(); ++index)
        model.StatisticsOf(index) = {.Attempts = 4,
                                     .Failures = 1,
                                     .TotalMs = 900,
                                     .LowMs = 100,
                                     .HighMs = 500,
                                     .CertificateExpiry = 0,
                                     .LastReason = "x"};
    model.Config.IntervalSecs = 30;
    model.Config.CAFile = "ca.pem";
    model.Config.CertWarnDays = 10;

    // What the dialog does with the configuration it was shown.
    Configuration edited = model.Config;
    edited.Targets.clear();
    for (const TargetSettings& target : model.Config.Targets)
        edited.Targets.push_back(TargetOfEntryText(EntryTextOf(target)));
    ApplyTargetsAndOptions(edited, model);

    EXPECT_TRUE(model.IniChanged);
    EXPECT_EQ(model.Config.IntervalMins, 5);
    EXPECT_EQ(model.Config.IntervalSecs, 30);
    EXPECT_EQ(model.Config.CAFile, "ca.pem");
    EXPECT_EQ(model.Config.CertWarnDays, 10);
    EXPECT_EQ(model.Config.Targets, targets);
    ASSERT_EQ(model.Statistics.size(), targets.size());
    for (const TargetStatistics& figures : model.Statistics) {
        EXPECT_EQ(figures.Attempts, 0);
        EXPECT_EQ(figures.Failures, 0);
        EXPECT_EQ(figures.TotalMs, 0u);
        EXPECT_EQ(figures.LowMs, 0u);
        EXPECT_EQ(figures.HighMs, 0u);
    }
}

} // namespace
} // namespace velnorix
