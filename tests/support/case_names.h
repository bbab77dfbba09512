#pragma once

#include <gtest/gtest.h>
#include <string>
#include <string_view>

// Names for the cases of parameterised suites, so a failing case names itself in test
// listings instead of showing a dump of its bytes.
namespace velnorix::kit {

// `text` as a test name: letters and digits stay, every run of other characters becomes one
// '_' (none at either end), and a text with neither letters nor digits reads "Empty".
std::string CaseName(std::string_view text);

// The name generator of a table whose cases have a `Name` field:
//   INSTANTIATE_TEST_SUITE_P(Cases, SomeTest, testing::Values(...), NamedCase{});
struct NamedCase {
    template <typename Case>
    std::string operator()(const testing::TestParamInfo<Case>& info) const {
        return CaseName(info.param.Name);
    }
};

} // namespace velnorix::kit
