#include "base/text_file.h"
#include "config/configuration_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace velnorix {
namespace {

// Target 01 is a web site, 02 a ping: a status list is read only for web targets.
TEST(CheckSettingsTest, BadMethodsListsPatternsAndTimeOutsAreRefusedByName) {
    const std::pair<const char*, const char*> cases[] = {
        {"01Method=POST\r\n", "Ini file sets 01Method to POST; it must be HEAD or GET"},
        {"01Expect=200-299,30\r\n",
         "Ini file sets 01Expect to 200-299,30; it must list status codes such as 200-299,301"},
        {"01Expect=299-200\r\n",
         "Ini file sets 01Expect to 299-200; it must list status codes such as 200-299,301"},
        {"01Expect=200,\r\n",
         "Ini file sets 01Expect to 200,; it must list status codes such as 200-299,301"},
        {"02Match=(open\r\n", "Ini file sets 02Match to (open; it is not a regular expression"},
        {"01TimeoutMs=99\r\n", "Ini file sets 01TimeoutMs to 99; it must be from 100 to 30000"},
        {"TimeoutMs=30001\r\n", "Ini file sets TimeoutMs to 30001; it must be from 100 to 30000"},
    };
    kit::TempDir dir;
    for (const auto& [keys, message] : cases) {
        kit::WriteWholeFile(dir.File("t.ini"),
                            std::string("[Targets]\r\nCount=2\r\n01Type=<HTML>\r\n"
                                        "02Type=<Ping>\r\n02Expect=anything\r\n") +
                                keys);
        const Result<Configuration> read = ReadConfigurationFile(dir.File("t.ini"), {});
        ASSERT_FALSE(read) << keys;
        EXPECT_TRUE(read.Message().starts_with(message)) << read.Message();
    }
}

// A file without the keys gets none on saving; set ones come back as they were.
TEST(CheckSettingsTest, AreWrittenOnlyWhenSetAndReadBackWhole) {
    Configuration config;
    config.Targets.resize(2);
    config.Targets[0].SetType("<HTML>");
    config.Targets[1].SetType("<Ping>");
    const std::string plain = WithTargetsSection("", config);
    for (const char* key : {"Method", "Expect", "Match", "Timeout"})
        EXPECT_EQ(plain.find(key), std::string::npos) << key;

    config.TimeoutMs = 5'000;
    config.Targets[0].Method = WebMethod::Get;
    config.Targets[0].Expect = "200-299, 301";
    config.Targets[0].Match = "Welcome|Hello";
    config.Targets[0].MatchAbsent = true;
    config.Targets[1].TimeoutMs = 250;
    kit::TempDir dir;
    kit::WriteWholeFile(dir.File("t.ini"), WithTargetsSection("", config));
    const Result<Configuration> read = ReadConfigurationFile(dir.File("t.ini"), {});
    ASSERT_TRUE(read) << read.Message();
    EXPECT_TRUE(*read == config);
}

} // namespace
} // namespace velnorix
