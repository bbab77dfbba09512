#include "app/main_form.h"
#include "counting_notices.h"
#include "gui_waits.h"
#include "kit/scripted_prompts.h"
#include "scripted_probes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using kit::ScriptedProbes;
using kit::ScriptedPrompts;
using kit::TempDir;
using kit::WaitUntil;
using kit::WriteWholeFile;

const std::vector<std::string> kHosts = {"192.0.2.1", "192.0.2.2", "192.0.2.3", "192.0.2.4",
                                         "192.0.2.5"};

class ChangeNoticesTest : public testing::TestWithParam<bool> {
protected:
    // One more cycle (Start Test runs one at once) with exactly `down` failing; returns the
    // notices it added.
    std::vector<ChangeNotice> Cycle(TMainForm& form, const std::set<std::string>& down) {
        m_probes.SetDownOnly(down);
        const std::size_t before = m_tray.Shown.size();
        const int calls = m_probes.Calls();
        form.StartTest1Click();
        EXPECT_EQ(m_probes.Calls(), calls + static_cast<int>(kHosts.size()));
        return {m_tray.Shown.begin() + static_cast<std::ptrdiff_t>(before), m_tray.Shown.end()};
    }

    TempDir m_dir;
    ScriptedProbes m_probes;
    ScriptedPrompts m_prompts;
    kit::CountingNotices m_tray;
};

TEST_P(ChangeNoticesTest, OnePerChangedTargetNoneWithoutChangeOneSummaryForMoreThanThree) {
    const bool notify = GetParam();
    WriteWholeFile(m_dir.File("five.ini"),
                   kit::Configuration(kHosts) + (notify ? "Notify=TRUE\r\n" : ""));
    MainFormSetup setup = kit::WindowSetup(m_probes, m_prompts, m_dir.Path(), {"five.ini"});
    setup.Notices = &m_tray;
    TMainForm form(std::move(setup));
    ASSERT_EQ(form.Model().Config.Notify, notify);
    form.show();
    // The start timer's run: every target answers, and first verdicts are no change.
    ASSERT_TRUE(WaitUntil([&form] { return form.Model().CycleCount >= 1; }));
    EXPECT_TRUE(m_tray.Shown.empty());

    const std::vector<ChangeNotice> down = Cycle(form, {kHosts[0]});
    const std::vector<ChangeNotice> same = Cycle(form, {kHosts[0]});
    const std::vector<ChangeNotice> five =
        Cycle(form, {kHosts[1], kHosts[2], kHosts[3], kHosts[4]});
    EXPECT_TRUE(same.empty());
    if (!notify) {
        EXPECT_TRUE(down.empty());
        EXPECT_TRUE(five.empty());
        return;
    }
    ASSERT_EQ(down.size(), 1U);
    EXPECT_TRUE(down[0].Failure);
    EXPECT_NE(down[0].Title.find("<Ping>192.0.2.1"), std::string::npos) << down[0].Title;
    ASSERT_EQ(five.size(), 1U) << "five changes are summed up";
    EXPECT_EQ(five[0].Title, "5 targets changed state");
    EXPECT_EQ(five[0].Message, "4 now failing, 1 back to success");
}

INSTANTIATE_TEST_SUITE_P(NotifyKey, ChangeNoticesTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

} // namespace
} // namespace velnorix
