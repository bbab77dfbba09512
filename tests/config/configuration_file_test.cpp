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
#include <tuple>

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

TEST_F(ConfigurationFileTest, WritesTheTwoTargetExampleLineByLineAndSavesItBackAlike) {
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

    // TLS settings left over from a file that had them: loading this one turns them off.
    m_model.Config.CAFile = "old.pem";
    m_model.Config.CertWarnDays = 9;
    m_model.Config.Parallel = 9;
    m_model.Target(1).Security = TargetSecurity::Tls;
    Load(kTwoTargetExample);
    Save();
    EXPECT_EQ(SavedText(), kTwoTargetExample);
}

TEST_F(ConfigurationFileTest, SaveReplacesOnlyItsSectionAndDropsTargetsBeyondTheCount) {
    const std::string before = "; hand-written notes\n[Display]\n  Font =  Mono  \n\n";
    const std::string after =
        "\n; mail relays\r\n[Relays]\nfirst=10.0.0.25\n\tsecond\t=\t10.0.0.26";
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

// Half a configuration would run the old targets on the new file's interval, and a later
// Save would write them over the file: a file is taken whole or not at all.
TEST_F(ConfigurationFileTest, AFileThatCannotBeTakenChangesNothing) {
    std::vector<std::pair<std::string, std::string>> cases = {
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
    for (const std::string value : {"0", "65", "-1", "four", "4294967295", "4294967297"})
        cases.emplace_back("[Targets]\r\nIntervalMins=9\r\nParallel=" + value +
                               "\r\nCount=1\r\n01Type=<SMTP>\r\n",
                           "Ini file sets Parallel to " + value + "; it must be from 1 to 64");
    for (const auto& [text, message] : cases) {
        m_model = RunModel{};
        m_model.IniFileName = "/previous.ini";
        m_model.Config.IntervalMins = 42;
        m_model.Config.Parallel = 7;
        AddTarget("<Ping>", "kept", true, 0);
        const Configuration before = m_model.Config;
        EXPECT_EQ(ErrorOf([&] { Load(text); }), message);
        EXPECT_TRUE(m_model.Config == before) << message;
        EXPECT_EQ(m_model.IniFileName, "/previous.ini");
        EXPECT_EQ(m_display.Count(), 0) << "the header is not rewritten";
    }
    // Nor is a file that cannot be read taken for an empty one.
    const std::string fifo = m_dir.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(m_commands.LoadIniFile(fifo), ConfigurationError);
    EXPECT_TRUE(m_prompts.Boxes().empty());
    EXPECT_EQ(m_model.Config.IntervalMins, 42) << "nothing changes";
    EXPECT_EQ(m_model.IniFileName, "/previous.ini");
    Load("[Targets]\r\nCount=10000\r\n");
    EXPECT_EQ(m_model.TargetCount(), 10000) << "the cap itself still loads";
}

// Each entry is read on its own: what its keys say, else what its type offers. A port is read only
// for the four tags (-5 under another type is no range error, the loading table's port stays).
TEST_F(ConfigurationFileTest, ReadsEachEntryOrTakesTheDefaultsOfItsType) {
    using enum TargetSecurity;
    // The keys after the entry's prefix; the type, port, audible flag and security read.
    const std::tuple<std::vector<std::string>, std::string, std::int32_t, bool, TargetSecurity>
        entries[] = {
            {{"Type=<html>", "Port=-5"}, "<html>", 1234, true, None},
            {{"Type=<SMTP>xyz", "Port=2525"}, "<SMTP>", 2525, true, None},
            {{"Type=", "Port=-5"}, "", 0, true, None},
            {{"Type=<HTML>", "Port=4294967295"}, "<HTML>", -1, true, None},
            {{"Type=<HTML>"}, "<HTML>", 80, true, None},
            {{"Type=<Ping>"}, "<Ping>", 0, true, None},
            {{"Type=<POP3>"}, "<POP3>", 110, true, None},
            {{"Type=<SMTP>"}, "<SMTP>", 25, true, None},
            {{"Type=<HTML>", "Port="}, "<HTML>", 80, true, None},
            {{"Type=<Ping>", "Port="}, "<Ping>", 0, true, None},
            {{"Type=<POP3>", "Port="}, "<POP3>", 110, true, None},
            {{"Type=<SMTP>", "Port="}, "<SMTP>", 25, true, None},
            {{"Type=<Ping>", "Audible=true"}, "<Ping>", 0, true, None},
            {{"Type=<Ping>", "Audible=1"}, "<Ping>", 0, true, None},
            {{"Type=<Ping>", "Audible=0"}, "<Ping>", 0, false, None},
            {{"Type=<Ping>", "Audible=false"}, "<Ping>", 0, false, None},
            {{"Type=<Ping>", "Audible=no"}, "<Ping>", 0, true, None},
            {{"Type=<POP3>", "Security=tls"}, "<POP3>", 995, true, Tls},
            {{"Type=<SMTP>", "Security=StartTLS", "Port="}, "<SMTP>", 587, true, StartTls},
            {{"Type=<SMTP>", "Security=TLS"}, "<SMTP>", 465, true, Tls},
            {{"Type=<SMTP>", "Security=STARTTLS", "Port=2525"}, "<SMTP>", 2525, true, StartTls},
            {{"Type=<POP3>", "Security="}, "<POP3>", 110, true, None},
            {{"Type=<SMTP>", "Security=none", "Addr=host23"}, "<SMTP>", 25, true, None}};
    const int count = static_cast<int>(std::size(entries));
    std::string text = "[Targets]\r\nIntervalMins=4294967295\r\nCAFile=certs/ca.pem\r\nCount=" +
                       std::to_string(count) + "\r\n";
    for (int n = 0; n < count; ++n) {
        for (const std::string& key : std::get<0>(entries[n]))
            text += EntryPrefix(n + 1) + key + "\r\n";
    }
    AddTarget("", "", true, 1234);
    m_model.Statistics[0].Attempts = 7;
    Load(text);
    EXPECT_EQ(m_model.Config.IntervalMins, -1);
    EXPECT_EQ(m_model.Config.CAFile, "certs/ca.pem") << "as written; TrustOfTest finds it";
    ASSERT_EQ(m_model.TargetCount(), count);
    EXPECT_EQ(m_model.Statistics.size(), std::size(entries));
    EXPECT_EQ(m_model.StatisticsOf(0).Attempts, 7) << "statistics survive a load";
    EXPECT_EQ(m_model.Target(count - 1).Addr, "host23");
    ASSERT_EQ(m_display.Count(), count + 3);
    EXPECT_EQ(m_display.Line(2), "<html> [1234]   <AUDIBLE>");
    for (int n = 0; n < count; ++n) {
        const TargetSettings& read = m_model.Target(n);
        const auto& [keys, type, port, audible, security] = entries[n];
        EXPECT_EQ(std::tie(read.Type, read.Port, read.Audible, read.Security),
                  std::tie(type, port, audible, security))
            << n + 1;
    }
    Save();
    EXPECT_NE(SavedText().find("\r\nCAFile=certs/ca.pem\r\n"), std::string::npos);
}

// Values absent, empty or unreadable take their defaults there.
TEST_F(ConfigurationFileTest, FileWithoutTargetsReportsItselfEmpty) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"missing file", std::nullopt},
        {"no Count", "[Targets]\r\nIntervalHours=x\r\nIntervalMins=abc\r\n"},
        {"Count 0", "[Targets]\r\nCount=0\r\n"},
        {"empty value", "[Targets]\r\nIntervalMins=\r\nCount=0\r\n"},
        {"Count reads negative", "[Targets]\r\nCount=4294967295\r\n01Type=<Ping>\r\n"},
        {"Count in another section", "[Other]\r\nCount=3\r\n"},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        m_model = RunModel{};
        m_model.SetTargetCount(2);
        m_model.Config.IntervalMins = 99;
        m_display.Clear();
        m_display.Add("old header");
        m_prompts.Clear();
        std::filesystem::remove(m_file);
        if (text)
            WriteWholeFile(m_file, *text);
        m_commands.LoadIniFile(m_file);
        EXPECT_EQ(m_prompts.Boxes(),
                  (std::vector<ScriptedPrompts::Shown>{{ScriptedPrompts::Kind::Error, kEmptyBox}}));
        EXPECT_EQ(m_model.TargetCount(), 0);
        EXPECT_EQ(m_display.Lines(), std::vector<std::string>{"old header"});
        EXPECT_EQ(m_model.IniFileName, m_file);
        EXPECT_TRUE(m_model.Config.DeleteLogs) << "a missing DeleteLogs means true";
        const Configuration& read = m_model.Config;
        EXPECT_EQ(std::tie(read.IntervalHours, read.IntervalMins, read.IntervalSecs),
                  std::tuple(0, 5, 0));
    }
}

TEST_F(ConfigurationFileTest, SpellingsOfTheSameFileLoadAlike) {
    const std::string spellings[] = {
        "[Targets]\r\nDeleteLogs=FALSE\r\nIntervalSecs=30\r\nCount=1\r\n"
        "01Type=<POP3>\r\n01Addr=mail\r\n01User=op\r\n01Audible=FALSE\r\n",
        "[Targets]\nDeleteLogs=FALSE\nIntervalSecs=30\nCount=1\n"
        "01Type=<POP3>\n01Addr=mail\n01User=op\n01Audible=FALSE",
        "\xEF\xBB\xBF; comment\r\n[ TARGETS ]\r\n deletelogs = false \r\n# x=1\r\n"
        "intervalsecs\t=\t30\r\ncount = 1\r\n01type = <POP3>\r\n01ADDR= mail\r\n"
        "01user =op\r\n01audible=False\r\n",
    };
    for (const std::string& text : spellings) {
        m_model = RunModel{};
        Load(text);
        EXPECT_FALSE(m_model.Config.DeleteLogs);
        EXPECT_EQ(m_model.Config.IntervalSecs, 30);
        ASSERT_EQ(m_model.TargetCount(), 1);
        const TargetSettings& entry = m_model.Target(0);
        EXPECT_EQ(std::tie(entry.Type, entry.Addr, entry.User, entry.Audible, entry.Port),
                  std::tuple("<POP3>", "mail", "op", false, 110));
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
    m_model.Config.KeepLogDays = 30;
    for (int n = 6; n <= 120; ++n)
        AddTarget("<Ping>", "10.1." + std::to_string(n), n % 2 == 0, 0);
    ASSERT_EQ(m_model.Target(0).Addr.size(), 1023u);
    Save();

    Configuration expected = m_model.Config;
    // An entry of no known type keeps the port of the loading table, 0 in a fresh one.
    for (TargetSettings& entry : expected.Targets) {
        if (TestTypeOf(entry.Type) == TestType::Unknown)
            entry.Port = 0;
    }
    EXPECT_TRUE(*ReadConfigurationFile(m_file, {}) == expected);
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

TEST_F(ConfigurationFileTest, WritesTlsSettingsAfterTheIntervalAndSecurityAfterThePort) {
    m_model.Config.Notify = true;
    m_model.Config.CAFile = "ca.pem";
    m_model.Config.CertWarnDays = 14;
    m_model.Config.Parallel = 64;
    AddTarget("<POP3>", "mail", false, 995);
    m_model.Target(0).Security = TargetSecurity::Tls;
    AddTarget("<SMTP>", "relay", true, 587);
    m_model.Target(1).Security = TargetSecurity::StartTls;
    Save();
    EXPECT_EQ(SavedText(),
              "[Targets]\r\nDeleteLogs=FALSE\r\nIntervalHours=0\r\nIntervalMins=5\r\n"
              "IntervalSecs=0\r\nNotify=TRUE\r\nCAFile=ca.pem\r\nCertWarnDays=14\r\nParallel=64\r\n"
              "Count=2\r\n"
              "01Type=<POP3>\r\n01Addr=mail\r\n01User=\r\n01Password=\r\n"
              "01Audible=FALSE\r\n01Port=995\r\n01Security=TLS\r\n"
              "02Type=<SMTP>\r\n02Addr=relay\r\n02User=\r\n02Password=\r\n"
              "02Audible=TRUE\r\n02Port=587\r\n02Security=STARTTLS\r\n");
}

TEST_F(ConfigurationFileTest, ParallelTakesOneTo64) {
    const std::pair<std::string, int> cases[] = {
        {"", 1}, {"Parallel=\r\n", 1}, {"Parallel=64\r\n", 64}, {"Parallel=08\r\n", 8}};
    for (const auto& [line, loaded] : cases) {
        m_model.Config.Parallel = 7;
        Load("[Targets]\r\n" + line + "Count=1\r\n01Type=<SMTP>\r\n");
        EXPECT_EQ(m_model.Config.Parallel, loaded) << line;
    }
}

} // namespace
// The notification switch: off when missing, written only when on (in its place above), and a
// save that turns it off takes it out again, so files saved without it keep their bytes.
TEST_F(ConfigurationFileTest, NotifyIsOffWhenMissingAndSavedOnlyWhenOn) {
    AddTarget("<Ping>", "127.0.0.1", true, 0);
    Save();
    const std::string without = SavedText();
    EXPECT_EQ(without.find("Notify"), std::string::npos);
    Configuration on;
    on.Notify = true;
    EXPECT_FALSE(ReadConfigurationFile(m_file, on)->Notify);
    m_model.Config.Notify = true;
    Save();
    EXPECT_TRUE(ReadConfigurationFile(m_file, {})->Notify);
    m_model.Config.Notify = false;
    Save();
    EXPECT_EQ(SavedText(), without);
}

} // namespace velnorix
