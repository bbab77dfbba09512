#include "base/text_file.h"
#include "config/configuration_commands.h"
#include "config/configuration_file.h"
#include "config/ini_values.h"
#include "configuration_file_fixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace velnorix {
namespace {

using kit::ConfigurationFileTest;
using kit::kTwoTargetExample;
using kit::ReadWholeFile;
using kit::WriteWholeFile;

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
