#include "probes/host_resolution.h"
#include "probes/probe_errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using namespace std::chrono_literals;

const Deadline kSoon(1s);

// Answers every lookup with a documentation address and remembers what was asked.
struct RecordingResolver {
    std::vector<std::string> Asked;
    HostResolver Resolver() {
        return [this](const std::string& host, const Deadline&) {
            Asked.push_back(host);
            return std::vector<std::string>{"203.0.113.7"};
        };
    }
};

TEST(HostToAddressesTest, AddressesAndLocalhostNeedNoLookup) {
    RecordingResolver resolver;
    const auto resolve = resolver.Resolver();
    EXPECT_THAT(HostToAddresses("localhost", resolve, kSoon), ElementsAre("127.0.0.1"));
    EXPECT_THAT(HostToAddresses("LocalHost", resolve, kSoon), ElementsAre("127.0.0.1"));
    EXPECT_THAT(HostToAddresses("10.1.2.3", resolve, kSoon), ElementsAre("10.1.2.3"));
    EXPECT_THAT(HostToAddresses("0.0.0.0", resolve, kSoon), ElementsAre("0.0.0.0"));
    EXPECT_THAT(HostToAddresses("255.255.255.255", resolve, kSoon), ElementsAre("255.255.255.255"));
    EXPECT_THAT(resolver.Asked, IsEmpty());
}

TEST(HostToAddressesTest, AnythingElseGoesToTheResolver) {
    RecordingResolver resolver;
    const auto resolve = resolver.Resolver();
    const std::vector<std::string> names = {"10.1.2.300", "mail.example", "1.2.3",    "1.2.3.4.5",
                                            "1..2.3",     "-1.2.3.4",     "1.2.3.4 ", "",
                                            "localhost.", "0x7f.0.0.1"};
    for (const std::string& name : names)
        EXPECT_THAT(HostToAddresses(name, resolve, kSoon), ElementsAre("203.0.113.7")) << name;
    EXPECT_EQ(resolver.Asked, names);
}

TEST(HostToAddressesTest, AFailedLookupIsASocketError) {
    const HostResolver failing = [](const std::string&,
                                    const Deadline&) -> std::vector<std::string> {
        throw SocketError(-2, "Name or service not known");
    };
    try {
        HostToAddresses("nowhere.invalid", failing, kSoon);
        FAIL() << "no error";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.ErrorCode(), -2);
        EXPECT_STREQ(error.what(), "Socket Error # -2\r\nName or service not known");
    }
}

TEST(ParseDottedAddressTest, GivesTheFourBytesFirstPartFirst) {
    EXPECT_THAT(*ParseDottedAddress("192.0.2.10"), ElementsAre(192, 0, 2, 10));
    EXPECT_THAT(*ParseDottedAddress("010.000.001.002"), ElementsAre(10, 0, 1, 2));
    EXPECT_FALSE(ParseDottedAddress("1.2.3.256"));
    EXPECT_THAT(*ParseDottedAddress("1.2.3.0004"), ElementsAre(1, 2, 3, 4));
    EXPECT_FALSE(ParseDottedAddress("1.2.3.99999999999999999999"));
    EXPECT_FALSE(ParseDottedAddress("1.2.+3.4"));
    EXPECT_FALSE(ParseDottedAddress("1.2.3."));
    EXPECT_FALSE(ParseDottedAddress("a.b.c.d"));
}

} // namespace
} // namespace velnorix
