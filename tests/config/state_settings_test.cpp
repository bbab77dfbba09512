#include "base/text_file.h"
#include "config/configuration_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace velnorix {
namespace {

// The state keys' ranges and the parents' rules, each refused with a message naming the key.
TEST(StateSettingsTest, OutOfRangeCountsAndBadParentsAreRefusedByName) {
    const std::pair<const char*, const char*> cases[] = {
        {"FailAfter=0\r\n", "Ini file sets FailAfter to 0; it must be from 1 to 10"},
        {"RecoverAfter=11\r\n", "Ini file sets RecoverAfter to 11; it must be from 1 to 10"},
        {"SlowMs=-5\r\n", "Ini file sets SlowMs to -5; it must be from 0 to 3600000"},
        {"Retries=6\r\n", "Ini file sets Retries to 6; it must be from 0 to 5"},
        {"RetryDelayMs=99\r\n", "Ini file sets RetryDelayMs to 99; it must be from 100 to 60000"},
        {"02SlowMs=fast\r\n", "Ini file sets 02SlowMs to fast; it must be from 0 to 3600000"},
        {"02Parent=3\r\n", "Ini file sets 02Parent to 3; it must be from 0 to 2"},
        {"01Parent=1\r\n", "Ini file sets 01Parent to 1; a target cannot be its own parent"},
        {"01Parent=2\r\n02Parent=1\r\n",
         "Ini file sets 01Parent to 2, which makes a loop of parents"},
    };
    kit::TempDir dir;
    for (const auto& [keys, message] : cases) {
        kit::WriteWholeFile(dir.File("t.ini"),
                            std::string("[Targets]\r\nCount=2\r\n01Type=<Ping>\r\n"
                                        "02Type=<Ping>\r\n") +
                                keys);
        const Result<Configuration> read = ReadConfigurationFile(dir.File("t.ini"), {});
        ASSERT_FALSE(read) << keys;
        EXPECT_EQ(read.Message(), message);
    }
}

// A file without the keys gets none on saving; set ones come back as they were.
TEST(StateSettingsTest, AreWrittenOnlyWhenSetAndReadBackWhole) {
    Configuration config;
    config.Targets.resize(2);
    for (TargetSettings& target : config.Targets)
        target.SetType("<Ping>");
    const std::string plain = WithTargetsSection("", config);
    for (const char* key : {"FailAfter", "RecoverAfter", "SlowMs", "Parent", "Retr"})
        EXPECT_EQ(plain.find(key), std::string::npos) << key;

    config.FailAfter = 3;
    config.RecoverAfter = 2;
    config.SlowMs = 250;
    config.Retries = 2;
    config.RetryDelayMs = 250;
    config.Targets[1].SlowMs = 100;
    config.Targets[1].Parent = 1;
    kit::TempDir dir;
    kit::WriteWholeFile(dir.File("t.ini"), WithTargetsSection("", config));
    const Result<Configuration> read = ReadConfigurationFile(dir.File("t.ini"), {});
    ASSERT_TRUE(read);
    EXPECT_TRUE(*read == config);
}

} // namespace
} // namespace velnorix
