#include "probes/echo_helper_client.h"
#include "probes/probe_errors.h"
#include "support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace velnorix {
namespace {

// A window's ping on a system that gives it no ICMP socket of its own (an IcmpClient with no
// socket kind to try stands for it), through the real helper, and the reason given when the
// helper cannot help. Script: a helper written in sh; none: velnorix-cli; empty: no program.
struct HelperCase {
    const char* Name;
    const char* Script;
    const char* Reason; // none: the loopback answers
};

const HelperCase kHelperCases[] = {
    {"RealHelperPingsTheLoopback", nullptr, nullptr},
    {"MissingHelperNamesTheFix", "", "run setcap cap_net_raw+ep"},
    {"HelperWithoutTheRightNamesTheFix",
     "read id rest; echo \"$id error Cannot allocate socket.\"; cat >/dev/null",
     "run setcap cap_net_raw+ep"},
    {"HelperThatEndsSaysSo", "exit 0", "ended"},
    {"HelperAnsweringNonsenseSaysSo", "read line; echo '1 kind 99'; cat >/dev/null", "nonsense"},
};

class EchoHelperTest : public testing::TestWithParam<HelperCase> {};

TEST_P(EchoHelperTest, PingsThroughTheHelperWhenTheSystemGivesNoSocket) {
    const HelperCase& test = GetParam();
    kit::TempDir dir;
    std::string program = VELNORIX_CLI_PATH;
    if (test.Script != nullptr) {
        program = dir.File("helper");
        if (*test.Script != '\0') {
            std::ofstream(program) << "#!/bin/sh\n" << test.Script << "\n";
            std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        }
    }
    IcmpClient own;
    own.SetSocketKinds({});
    EchoWithHelper ping(own, std::make_shared<EchoHelperConnection>(program),
                        std::chrono::milliseconds(2'000));
    ping.SetHost("127.0.0.1");
    if (test.Reason == nullptr) {
        for (int exchange = 0; exchange < 2; ++exchange) {
            ping.EchoExchange("", 0);
            EXPECT_EQ(ping.ReplyKind(), ReplyStatusKind::Echo);
        }
        EXPECT_TRUE(ping.ViaHelper());
        return;
    }
    try {
        ping.EchoExchange("", 0);
        ADD_FAILURE() << "the exchange succeeded";
    } catch (const ProbeError& error) {
        EXPECT_THAT(error.what(), testing::HasSubstr(test.Reason));
    }
}

INSTANTIATE_TEST_SUITE_P(Helpers, EchoHelperTest, testing::ValuesIn(kHelperCases),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace velnorix
