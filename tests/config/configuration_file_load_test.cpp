#include "base/text_file.h"
#include "config/configuration_file.h"
#include "config/ini_values.h"
#include "configuration_file_fixture.h"
#include "kit/scripted_prompts.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Reading a configuration file: defaults, accepted spellings and files that are refused.
namespace velnorix {
namespace {

using kit::ConfigurationFileTest;
using kit::ScriptedPrompts;
using kit::WriteWholeFile;

const std::string kEmptyBox = "Ini file is empty!\rPlease try again.";

TEST_F(ConfigurationFileTest, AbsentEmptyAndUnreadableValuesTakeTheirDefaults) {
    m_model.Config.DeleteLogs = false;
    for (const char* mins : {"", "IntervalMins=\r\n", "IntervalMins=abc\r\n"}) {
        m_model.Config.IntervalMins = 99;
        Load(std::string("[Targets]\r\nIntervalHours=x\r\n") + mins + "Count=0\r\n");
        EXPECT_TRUE(m_model.Config.DeleteLogs) << "a missing DeleteLogs means true";
        EXPECT_EQ(m_model.Config.IntervalHours, 0);
        EXPECT_EQ(m_model.Config.IntervalMins, 5) << mins;
        EXPECT_EQ(m_model.Config.IntervalSecs, 0);
    }
}

TEST_F(ConfigurationFileTest, ReadsAudibleByWordNumberOrDefault) {
    std::string text = "[Targets]\r\nCount=6\r\n";
    const char* values[] = {"true", "1", "0", "false", "no", nullptr};
    for (int n = 1; n <= 6; ++n) {
        text += EntryPrefix(n) + "Type=<Ping>\r\n";
        if (values[n - 1] != nullptr)
            text += EntryPrefix(n) + "Audible=" + values[n - 1] + "\r\n";
    }
    Load(text);
    const bool expected[] = {true, true, false, false, true, true};
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(m_model.Target(n).Audible, expected[n]) << (values[n] ? values[n] : "missing");
}

// Half a configuration would run the old targets on the new file's interval, and a later
// Save would write them over the file: a file is taken whole or not at all.
TEST_F(ConfigurationFileTest, AFileThatCannotBeTakenChangesNothing) {
    const std::pair<std::string, std::string> cases[] = {
        {"[Targets]\r\nDeleteLogs=TRUE\r\nIntervalHours=3\r\nIntervalMins=-1\r\nCount=1\r\n"
         "01Type=<Ping>\r\n",
         "Range check error"},
        {"[Targets]\r\nCAFile=a.pem\r\nCertWarnDays=-3\r\n", "Range check error"},
        {"[Targets]\r\nCount=2\r\n01Type=<POP3>\r\n01Addr=first\r\n02Type=<SMTP>\r\n"
         "02Security=SSL\r\n",
         "Ini file sets 02Security to \"SSL\"; it must be None, TLS or STARTTLS"},
        {"[Targets]\r\nIntervalHours=9\r\nCAFile=b.pem\r\nCount=10001\r\n",
         "Ini file declares 10001 targets; at most 10000 can be loaded"},
    };
    for (const auto& [text, message] : cases) {
        m_model = RunModel{};
        m_model.IniFileName = "/previous.ini";
        m_model.Config.IntervalMins = 42;
        AddTarget("<Ping>", "kept", true, 0);
        const Configuration before = m_model.Config;
        EXPECT_EQ(ErrorOf([&] { Load(text); }), message);
        EXPECT_TRUE(m_model.Config == before) << message;
        EXPECT_EQ(m_model.IniFileName, "/previous.ini");
        EXPECT_EQ(m_display.Count(), 0) << "the header is not rewritten";
    }
    Load("[Targets]\r\nCount=10000\r\n");
    EXPECT_EQ(m_model.TargetCount(), 10000) << "the cap itself still loads";
}

TEST_F(ConfigurationFileTest, LargestUnsignedValueLoadsAsMinusOne) {
    Load("[Targets]\r\nIntervalMins=4294967295\r\nCount=1\r\n01Type=<HTML>\r\n"
         "01Port=4294967295\r\n");
    EXPECT_EQ(m_model.Config.IntervalMins, -1);
    EXPECT_EQ(m_model.Target(0).Port, -1);
}

TEST_F(ConfigurationFileTest, ReadsThePortKeyOnlyForTheFourTags) {
    AddTarget("", "", true, 1234);
    AddTarget("", "", true, 0);
    AddTarget("", "", true, 0);
    // A port of -5 read from the first target would be a range error.
    Load("[Targets]\r\nCount=3\r\n"
         "01Type=<html>\r\n01Port=-5\r\n"
         "02Type=<SMTP>xyz\r\n02Port=2525\r\n"
         "03Type=\r\n03Port=-5\r\n");
    EXPECT_EQ(m_model.Target(0).Type, "<html>");
    EXPECT_EQ(m_model.Target(0).Port, 1234);
    EXPECT_EQ(m_model.Target(1).Type, "<SMTP>");
    EXPECT_EQ(m_model.Target(1).Port, 2525);
    EXPECT_EQ(m_model.Target(2).Type, "");
}

TEST_F(ConfigurationFileTest, MissingOrEmptyPortTakesTheDefaultOfTheType) {
    Load("[Targets]\r\nCount=8\r\n"
         "01Type=<HTML>\r\n02Type=<Ping>\r\n03Type=<POP3>\r\n04Type=<SMTP>\r\n"
         "05Type=<HTML>\r\n05Port=\r\n06Type=<Ping>\r\n06Port=\r\n"
         "07Type=<POP3>\r\n07Port=\r\n08Type=<SMTP>\r\n08Port=\r\n");
    const std::int32_t expected[] = {80, 0, 110, 25, 80, 0, 110, 25};
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(m_model.Target(n).Port, expected[n]) << n + 1;
}

TEST_F(ConfigurationFileTest, ALoadPaintsTheHeaderAndKeepsEachPositionsStatistics) {
    m_model.Statistics[0].Attempts = 7;
    std::string text = "[Targets]\r\nCount=12\r\n";
    for (int n = 1; n <= 12; ++n)
        text += EntryPrefix(n) + "Type=<Ping>\r\n" + EntryPrefix(n) + "Addr=host" +
                std::to_string(n) + "\r\n";
    Load(text);
    ASSERT_EQ(m_model.TargetCount(), 12);
    EXPECT_EQ(m_model.Statistics.size(), 12u);
    EXPECT_EQ(m_model.Target(11).Addr, "host12");
    EXPECT_EQ(m_model.StatisticsOf(0).Attempts, 7) << "statistics survive a load";
    ASSERT_EQ(m_display.Count(), 12 + 3);
    EXPECT_EQ(m_display.Line(2), "<Ping>host1 [0]   <AUDIBLE>");
    EXPECT_TRUE(m_prompts.Boxes().empty());
}

TEST_F(ConfigurationFileTest, FileWithoutTargetsReportsItselfEmpty) {
    struct Case {
        const char* name;
        std::optional<std::string> text; // nothing: the file does not exist
    };
    const Case cases[] = {
        {"missing file", std::nullopt},
        {"no Count", "[Targets]\r\nIntervalMins=1\r\n"},
        {"Count 0", "[Targets]\r\nCount=0\r\n"},
        {"Count reads negative", "[Targets]\r\nCount=4294967295\r\n01Type=<Ping>\r\n"},
        {"Count in another section", "[Other]\r\nCount=3\r\n"},
    };
    for (const Case& c : cases) {
        RunModel model;
        model.SetTargetCount(2);
        kit::FakeDisplay display;
        display.Add("old header");
        ScriptedPrompts prompts{ScriptedPrompts::WhenUnscripted::Fail};
        std::filesystem::remove(m_file);
        if (c.text)
            WriteWholeFile(m_file, *c.text);

        ConfigurationCommands{model, display, m_status, prompts, m_dir.Path()}.LoadIniFile(m_file);
        EXPECT_EQ(prompts.Boxes(),
                  (std::vector<ScriptedPrompts::Shown>{{ScriptedPrompts::Kind::Error, kEmptyBox}}))
            << c.name;
        EXPECT_EQ(model.TargetCount(), 0) << c.name;
        EXPECT_EQ(display.Lines(), std::vector<std::string>{"old header"}) << c.name;
        EXPECT_EQ(model.IniFileName, m_file) << c.name;
        EXPECT_TRUE(model.Config.DeleteLogs) << c.name;
    }
}

TEST_F(ConfigurationFileTest, AFileThatCannotBeReadIsAnErrorNotAnEmptyFile) {
    ASSERT_EQ(::mkfifo(m_file.c_str(), 0600), 0);
    m_model.Config.IntervalMins = 7;
    EXPECT_THROW(m_commands.LoadIniFile(m_file), ConfigurationError);
    EXPECT_TRUE(m_prompts.Boxes().empty());
    EXPECT_EQ(m_model.Config.IntervalMins, 7) << "nothing changes";
    EXPECT_TRUE(m_model.IniFileName.empty());
}

TEST_F(ConfigurationFileTest, SpellingsOfTheSameFileLoadAlike) {
    const std::string crlf = "[Targets]\r\nDeleteLogs=FALSE\r\nIntervalSecs=30\r\nCount=1\r\n"
                             "01Type=<POP3>\r\n01Addr=mail\r\n01User=op\r\n01Audible=FALSE\r\n";
    const std::string spellings[] = {
        "[Targets]\nDeleteLogs=FALSE\nIntervalSecs=30\nCount=1\n"
        "01Type=<POP3>\n01Addr=mail\n01User=op\n01Audible=FALSE",
        "\xEF\xBB\xBF; comment\r\n[ TARGETS ]\r\n deletelogs = false \r\n# x=1\r\n"
        "intervalsecs\t=\t30\r\ncount = 1\r\n01type = <POP3>\r\n01ADDR= mail\r\n"
        "01user =op\r\n01audible=False\r\n",
    };
    Load(crlf);
    const RunModel reference = m_model;
    for (const std::string& text : spellings) {
        m_model = RunModel{};
        Load(text);
        EXPECT_EQ(m_model.Config.DeleteLogs, reference.Config.DeleteLogs);
        EXPECT_EQ(m_model.Config.IntervalSecs, 30);
        ASSERT_EQ(m_model.TargetCount(), 1);
        const TargetSettings& entry = m_model.Target(0);
        EXPECT_EQ(entry.Type, "<POP3>");
        EXPECT_EQ(entry.Addr, "mail");
        EXPECT_EQ(entry.User, "op");
        EXPECT_FALSE(entry.Audible);
        EXPECT_EQ(entry.Port, 110);
    }
}

} // namespace
} // namespace velnorix
