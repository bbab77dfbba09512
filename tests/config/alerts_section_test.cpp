#include "config/configuration_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

// Every alert key is read into its setting, a save of the same settings leaves the section's
// bytes alone, and an unset key leaves the file.
TEST(AlertsSectionTest, AlertSettingsReadAndSaveAsWritten) {
    const kit::TempDir folder;
    const std::string alertsText = "[Alerts]\r\nMail=ops@example.test, night@example.test\r\n"
                                   "MailServer=mail.example.test:465\r\nMailSecurity=tls\r\n"
                                   "MailUser=watch\r\nMailPassword=s3cret\r\n"
                                   "MailFrom=velnorix@example.test\r\n"
                                   "Webhook=https://hooks.example.test/x\r\n"
                                   "Alertmanager=http://127.0.0.1:9093\r\n"
                                   "Command=/usr/local/bin/page \"on call\"\r\nRemindMins=15\r\n";
    const std::string text = "[Targets]\r\nCount=0\r\n" + alertsText;
    kit::WriteWholeFile(folder.File("a.ini"), text);
    const auto config = ReadConfigurationFile(folder.File("a.ini"), Configuration{});
    ASSERT_TRUE(config) << config.Message();
    const AlertSettings& alerts = config->Alerts;
    EXPECT_EQ(alerts.Mail, (std::vector<std::string>{"ops@example.test", "night@example.test"}));
    EXPECT_EQ(alerts.MailServer, "mail.example.test:465");
    EXPECT_EQ(alerts.MailSecurity, TargetSecurity::Tls);
    EXPECT_EQ(alerts.MailPassword, "s3cret");
    EXPECT_EQ(alerts.Command, "/usr/local/bin/page \"on call\"");
    EXPECT_EQ(alerts.RemindMins, 15);
    const std::string saved = WithTargetsSection(text, *config);
    EXPECT_NE(saved.find(alertsText), std::string::npos) << saved;

    Configuration changed = *config;
    changed.Alerts.RemindMins = 0;
    changed.Alerts.Mail.pop_back();
    const std::string resaved = WithTargetsSection(text, changed);
    EXPECT_EQ(resaved.find("RemindMins"), std::string::npos);
    EXPECT_NE(resaved.find("\r\nMail=ops@example.test\r\n"), std::string::npos);
    EXPECT_NE(resaved.find("\r\nMailSecurity=TLS\r\n"), std::string::npos);

    kit::WriteWholeFile(folder.File("a.ini"), "[Alerts]\r\nMailSecurity=SSL\r\n");
    EXPECT_EQ(ReadConfigurationFile(folder.File("a.ini"), Configuration{}).Message(),
              "Ini file sets MailSecurity to \"SSL\"; it must be None, TLS or STARTTLS");
}

} // namespace
} // namespace velnorix
