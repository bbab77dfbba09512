#include "base/text_file.h"
#include "config/configuration_commands.h"
#include "config/configuration_file.h"
#include "config/ini_values.h"
#include "kit/fake_host.h"
#include "kit/scripted_prompts.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace velnorix {
namespace {

using kit::ReadWholeFile;
using kit::ScriptedPrompts;
using kit::WriteWholeFile;

const std::string kEmptyBox = "Ini file is empty!\rPlease try again.";
const std::string kTwoTargetExample =
    "[Targets]\r\nDeleteLogs=TRUE\r\nIntervalHours=0\r\nIntervalMins=15\r\nIntervalSecs=0\r\n"
    "Count=2\r\n"
    "01Type=<Ping>\r\n01Addr=10.0.0.1\r\n01User=\r\n01Password=\r\n01Audible=TRUE\r\n01Port=0\r\n"
    "02Type=<SMTP>\r\n02Addr=10.0.0.25\r\n02User=\r\n02Password=\r\n02Audible=FALSE\r\n"
    "02Port=25\r\n";

class ConfigurationFileTest : public testing::Test {
protected:
    void Load(const std::string& text) {
        WriteWholeFile(m_file, text);
        m_commands.LoadIniFile(m_file);
    }
    void Save() { m_commands.SaveIniFile(m_file); }
    std::string SavedText() const { return ReadWholeFile(m_file); }
    // The message of the ConfigurationError that `action` throws; fails when it throws none.
    template <typename Action>
    std::string ErrorOf(Action action) {
        try {
            action();
        } catch (const ConfigurationError& error) {
            return error.what();
        }
        ADD_FAILURE() << "no ConfigurationError";
        return {};
    }
    void AddTarget(std::string_view type, std::string addr, bool audible, std::int32_t port) {
        m_model.SetTargetCount(m_model.TargetCount() + 1);
        TargetSettings& entry = m_model.Target(m_model.TargetCount() - 1);
        entry.SetType(type);
        entry.Addr = std::move(addr);
        entry.Audible = audible;
        entry.Port = port;
    }

    kit::TempDir m_dir;
    std::string m_file = m_dir.File("Velnorix.Ini");
    RunModel m_model;
    kit::FakeDisplay m_display;
    kit::FakeStatusLine m_status;
    ScriptedPrompts m_prompts{ScriptedPrompts::WhenUnscripted::Fail};
    ConfigurationCommands m_commands{m_model, m_display, m_status, m_prompts, m_dir.Path()};
};

TEST_F(ConfigurationFileTest, WritesTheTwoTargetExampleLineByLine) {
    m_model.Config.DeleteLogs = true;
    m_model.Config.IntervalMins = 15;
    m_model.IniChanged = true;
    AddTarget("<Ping>", "10.0.0.1", true, 0);
    AddTarget("<SMTP>", "10.0.0.25", false, 25);
    Save();
    EXPECT_EQ(SavedText(), kTwoTargetExample);
    EXPECT_EQ(m_status.Text(), m_file + " Saved");
    EXPECT_FALSE(m_model.IniChanged);
    struct stat info {};
    ASSERT_EQ(::stat(m_file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file holds passwords";
}

TEST_F(ConfigurationFileTest, SaveReplacesOnlyItsSectionAndDropsTargetsBeyondTheCount) {
    const std::string before = "; hand-written notes\n"
                               "[Display]\n"
                               "  Font =  Mono  \n"
                               "\n";
    const std::string after = "\n"
                              "; mail relays\r\n"
                              "[Relays]\n"
                              "first=10.0.0.25\n"
                              "\tsecond\t=\t10.0.0.26";
    std::string targets = "[targets]\r\nCount=5\r\n";
    for (int n = 1; n <= 5; ++n) {
        const std::string p = EntryPrefix(n);
        targets += p + "Type=<Ping>\r\n" + p + "Addr=h" + p + "\r\n" + p + "Port=0\r\n";
    }
    WriteWholeFile(m_file, before + targets + after);
    AddTarget("<Ping>", "a", true, 0);
    AddTarget("<Ping>", "b", true, 0);
    Save();

    const std::string text = SavedText();
    ASSERT_TRUE(text.starts_with(before + after + "\r\n\r\n[Targets]\r\n")) << text;
    for (const char* gone : {"03", "04", "05", "targets"})
        EXPECT_EQ(text.find(gone), std::string::npos) << gone;
    EXPECT_NE(text.find("02Addr=b\r\n"), std::string::npos);

    // A second save finds the layout it left and keeps it.
    Save();
    EXPECT_EQ(SavedText(), text);
}

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

TEST_F(ConfigurationFileTest, SaveThenLoadGivesBackEverySettingAndField) {
    m_model.Config.DeleteLogs = true;
    m_model.Config.IntervalHours = 24;
    m_model.Config.IntervalMins = 0;
    m_model.Config.IntervalSecs = -1;
    AddTarget("<HTML>", "http://example.test/" + std::string(1003, 'p'), false, 8080);
    AddTarget("<POP3>", "10.0.0.110", true, -1);
    m_model.Target(1).Security = TargetSecurity::StartTls;
    m_model.Target(1).User = "monitor";
    m_model.Target(1).Password = std::string(3000, 'w') + " =;[x]#";
    AddTarget("<html>", "mixed case", true, 99);
    AddTarget("", "", true, 0);
    AddTarget("<SMTP>", "relay", false, 70000);
    m_model.Target(4).Security = TargetSecurity::Tls;
    m_model.Config.CAFile = "../trust/private ca.pem";
    m_model.Config.CertWarnDays = 21;
    m_model.Config.Parallel = 12;
    for (int n = 6; n <= 120; ++n)
        AddTarget("<Ping>", "10.1." + std::to_string(n), n % 2 == 0, 0);
    ASSERT_EQ(m_model.Target(0).Addr.size(), 1023u);
    Save();

    RunModel loaded;
    loaded.UseConfiguration(*ReadConfigurationFile(m_file, {}));
    EXPECT_EQ(loaded.Config.DeleteLogs, m_model.Config.DeleteLogs);
    EXPECT_EQ(loaded.Config.IntervalHours, m_model.Config.IntervalHours);
    EXPECT_EQ(loaded.Config.IntervalMins, m_model.Config.IntervalMins);
    EXPECT_EQ(loaded.Config.IntervalSecs, m_model.Config.IntervalSecs);
    EXPECT_EQ(loaded.Config.CAFile, m_model.Config.CAFile);
    EXPECT_EQ(loaded.Config.CertWarnDays, m_model.Config.CertWarnDays);
    EXPECT_EQ(loaded.Config.Parallel, m_model.Config.Parallel);
    ASSERT_EQ(loaded.TargetCount(), m_model.TargetCount());
    for (int n = 0; n < m_model.TargetCount(); ++n) {
        const TargetSettings& a = m_model.Target(n);
        const TargetSettings& b = loaded.Target(n);
        EXPECT_EQ(b.Type, a.Type) << n + 1;
        EXPECT_EQ(b.Addr, a.Addr) << n + 1;
        EXPECT_EQ(b.User, a.User) << n + 1;
        EXPECT_EQ(b.Password, a.Password) << n + 1;
        EXPECT_EQ(b.Audible, a.Audible) << n + 1;
        EXPECT_EQ(b.Security, a.Security) << n + 1;
        // An entry of no known type keeps the port of the loading table, 0 in a fresh one.
        EXPECT_EQ(b.Port, TestTypeOf(a.Type) == TestType::Unknown ? 0 : a.Port) << n + 1;
    }
    EXPECT_NE(SavedText().find("\r\n100Type=<Ping>\r\n"), std::string::npos);
}

TEST_F(ConfigurationFileTest, AFailedSaveChangesNeitherTheFileNorTheState) {
    AddTarget("<Ping>", "new", true, 0);
    m_model.IniChanged = true;
    m_status.SetText("before");

    m_file = m_dir.File("missing-folder/Velnorix.Ini");
    EXPECT_EQ(ErrorOf([&] { Save(); }), "Failed to write value to INI file");

    // Read-only for everyone, which the program respects even when run by root.
    m_file = m_dir.File("read-only.ini");
    WriteWholeFile(m_file, "[Targets]\r\nCount=0\r\n");
    ASSERT_EQ(::chmod(m_file.c_str(), 0444), 0);
    EXPECT_EQ(ErrorOf([&] { Save(); }), "Failed to write value to INI file");
    EXPECT_EQ(SavedText(), "[Targets]\r\nCount=0\r\n");

    // Without the old text the other sections would be lost, so nothing is written.
    m_file = m_dir.File("a-folder.ini");
    std::filesystem::create_directory(m_file);
    EXPECT_EQ(ErrorOf([&] { Save(); }), "Unable to delete section from INI file");
    m_file = m_dir.File("a-pipe.ini");
    ASSERT_EQ(::mkfifo(m_file.c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { Save(); }), "Unable to delete section from INI file");

    EXPECT_EQ(m_status.Text(), "before");
    EXPECT_TRUE(m_model.IniChanged);
    // No half-written temporary file is left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        ++entries;
    EXPECT_EQ(entries, 3);
}

TEST_F(ConfigurationFileTest, SaveKeepsThePermissionsAndLinksOfAnExistingFile) {
    const std::string real = m_dir.File("real.ini");
    WriteWholeFile(real, "[Other]\r\nx=1\r\n");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    std::filesystem::create_symlink(real, m_file);
    AddTarget("<Ping>", "h", true, 0);
    Save();

    EXPECT_TRUE(std::filesystem::is_symlink(m_file));
    EXPECT_TRUE(ReadWholeFile(real).starts_with("[Other]\r\nx=1\r\n\r\n[Targets]\r\n"));
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(ConfigurationFileTest, AFileWithoutTlsSettingsSavesBackByteForByte) {
    // Left over from a file that had them: loading this one turns them off.
    m_model.Config.CAFile = "old.pem";
    m_model.Config.CertWarnDays = 9;
    m_model.Config.Parallel = 9;
    AddTarget("<POP3>", "old", true, 995);
    AddTarget("<POP3>", "old", true, 995);
    m_model.Target(1).Security = TargetSecurity::Tls;
    Load(kTwoTargetExample);
    Save();
    EXPECT_EQ(SavedText(), kTwoTargetExample);
}

TEST_F(ConfigurationFileTest, WritesTlsSettingsAfterTheIntervalAndSecurityAfterThePort) {
    m_model.Config.CAFile = "ca.pem";
    m_model.Config.CertWarnDays = 14;
    m_model.Config.Parallel = 64;
    AddTarget("<POP3>", "mail", false, 995);
    m_model.Target(0).Security = TargetSecurity::Tls;
    AddTarget("<SMTP>", "relay", true, 587);
    m_model.Target(1).Security = TargetSecurity::StartTls;
    Save();
    EXPECT_EQ(SavedText(), "[Targets]\r\nDeleteLogs=FALSE\r\nIntervalHours=0\r\nIntervalMins=5\r\n"
                           "IntervalSecs=0\r\nCAFile=ca.pem\r\nCertWarnDays=14\r\nParallel=64\r\n"
                           "Count=2\r\n"
                           "01Type=<POP3>\r\n01Addr=mail\r\n01User=\r\n01Password=\r\n"
                           "01Audible=FALSE\r\n01Port=995\r\n01Security=TLS\r\n"
                           "02Type=<SMTP>\r\n02Addr=relay\r\n02User=\r\n02Password=\r\n"
                           "02Audible=TRUE\r\n02Port=587\r\n02Security=STARTTLS\r\n");
}

TEST_F(ConfigurationFileTest, ReadsSecurityInAnyLetterCaseAndOffersItsPortWhenNoneIsGiven) {
    Load("[Targets]\r\nCount=6\r\n01Type=<POP3>\r\n01Security=tls\r\n"
         "02Type=<SMTP>\r\n02Security=StartTLS\r\n02Port=\r\n"
         "03Type=<SMTP>\r\n03Security=TLS\r\n04Type=<SMTP>\r\n04Security=STARTTLS\r\n"
         "04Port=2525\r\n05Type=<POP3>\r\n05Security=\r\n06Type=<SMTP>\r\n06Security=none\r\n");
    const std::pair<TargetSecurity, std::int32_t> expected[] = {
        {TargetSecurity::Tls, 995},  {TargetSecurity::StartTls, 587},
        {TargetSecurity::Tls, 465},  {TargetSecurity::StartTls, 2525},
        {TargetSecurity::None, 110}, {TargetSecurity::None, 25}};
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(m_model.Target(n).Security, expected[n].first) << n + 1;
        EXPECT_EQ(m_model.Target(n).Port, expected[n].second) << n + 1;
    }
}

// TrustOfTest finds it beside the file.
TEST_F(ConfigurationFileTest, ARelativeCAFileIsStoredAsWritten) {
    Load("[Targets]\r\nCAFile=certs/ca.pem\r\nCount=1\r\n01Type=<HTML>\r\n");
    EXPECT_EQ(m_model.Config.CAFile, "certs/ca.pem");
    Save();
    EXPECT_NE(SavedText().find("\r\nCAFile=certs/ca.pem\r\n"), std::string::npos);
}

// A refused value (loaded 0) stops the load before it changes anything.
TEST_F(ConfigurationFileTest, ParallelTakesOneTo64AndARefusedValueChangesNothing) {
    const std::pair<std::optional<std::string>, std::int32_t> cases[] = {
        {std::nullopt, 1}, {"", 1},   {"64", 64},  {"08", 8},         {"0", 0},
        {"65", 0},         {"-1", 0}, {"four", 0}, {"4294967295", 0}, {"4294967297", 0}};
    for (const auto& [value, loaded] : cases) {
        SCOPED_TRACE(value.value_or("missing"));
        m_model = RunModel{};
        m_model.Config.Parallel = 7;
        const std::string text = "[Targets]\r\nIntervalMins=9\r\n" +
                                 (value ? "Parallel=" + *value + "\r\n" : std::string()) +
                                 "Count=1\r\n01Type=<SMTP>\r\n";
        if (loaded != 0) {
            Load(text);
            EXPECT_EQ(m_model.Config.Parallel, loaded);
            continue;
        }
        EXPECT_EQ(ErrorOf([&] { Load(text); }),
                  "Ini file sets Parallel to " + *value + "; it must be from 1 to 64");
        EXPECT_EQ(m_model.Config.Parallel, 7);
        EXPECT_EQ(m_model.Config.IntervalMins, 5);
    }
}

} // namespace
// The notification switch: off when missing, written only when on, and a save that turns it
// off takes it out again, so files saved without it keep their bytes.
TEST_F(ConfigurationFileTest, NotifyIsOffWhenMissingAndSavedOnlyWhenOn) {
    AddTarget("<Ping>", "127.0.0.1", true, 0);
    Save();
    const std::string without = SavedText();
    EXPECT_EQ(without.find("Notify"), std::string::npos);
    Configuration loaded;
    loaded.Notify = true;
    loaded = *ReadConfigurationFile(m_file, loaded);
    EXPECT_FALSE(loaded.Notify);

    m_model.Config.Notify = true;
    Save();
    EXPECT_NE(SavedText().find("\r\nIntervalSecs=0\r\nNotify=TRUE\r\nCount=1\r\n"),
              std::string::npos)
        << SavedText();
    EXPECT_TRUE(ReadConfigurationFile(m_file, loaded)->Notify);

    m_model.Config.Notify = false;
    Save();
    EXPECT_EQ(SavedText(), without);
}

} // namespace velnorix
