#include "config/command_line.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

TEST(CommandLineTest, TheFirstParameterNamesTheConfiguration) {
    struct Case {
        std::vector<std::string> Arguments;
        std::optional<std::string> File;
    };
    const Case cases[] = {
        {{}, std::nullopt},
        {{"Velnorix.ini"}, "/opt/velnorix/Velnorix.ini"},
        {{"Velnorix.ini", "/etc/other.ini"}, "/opt/velnorix/Velnorix.ini"},
        {{"conf/Velnorix.ini"}, "conf/Velnorix.ini"},
        {{"/srv/watch.ini"}, "/srv/watch.ini"},
        {{"./watch.ini"}, "./watch.ini"},
        {{"C:\\Mon\\Velnorix.Ini"}, "/opt/velnorix/C:\\Mon\\Velnorix.Ini"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConfigurationFileFromArguments(c.Arguments, "/opt/velnorix"), c.File)
            << (c.Arguments.empty() ? "(none)" : c.Arguments.front());
}

} // namespace
} // namespace velnorix
