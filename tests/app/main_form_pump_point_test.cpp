#include "app/main_form.h"
#include "app/main_menus.h"
#include "app/qt_interval_timer.h"
#include "app/status_bar_line.h"
#include "app/text_display.h"
#include "base/text_file.h"
#include "gui_waits.h"
#include "main_form_fixture.h"

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <algorithm>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

// Closes and menu commands that arrive while a cycle probes: each waits for the cycle's next
// pump point and leaves the cycle intact.
namespace velnorix {
namespace {

using kit::Configuration;
using kit::MainFormTest;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;
using kit::ReadWholeFile;
using kit::WhenModalOpens;
using kit::WriteWholeFile;

// With one probe at a time and with the probes running at once.
class CloseDuringProbeTest : public MainFormTest, public testing::WithParamInterface<int> {};

TEST_P(CloseDuringProbeTest, WaitsForTheNextPumpPoint) {
    WriteWholeFile(m_dir.File("watch.ini"), Configuration({"first", "second"}));
    m_prompts.ChooseNextFileToOpen(m_dir.File("watch.ini"));
    auto form = Start();
    form->show();
    form->Menus().Open1->trigger();
    form->Model().Config.Parallel = GetParam();

    std::atomic<bool> closeTried{false};
    bool visibleAfterClose = false;
    std::string statusDuringProbe;
    TMainForm* window = form.get();
    m_probes.DuringProbe([&] {
        if (closeTried)
            return;
        // From the worker: ask the window's thread to close, and wait until it has tried.
        QMetaObject::invokeMethod(
            window,
            [&] {
                statusDuringProbe = window->StatusBar1().Text();
                window->close();
                visibleAfterClose = window->isVisible();
                closeTried = true;
            },
            Qt::QueuedConnection);
        while (!closeTried)
            std::this_thread::yield();
    });
    QSignalSpy closed(window, &TMainForm::Closed);
    form->StartTest1Click();

    EXPECT_TRUE(closeTried);
    EXPECT_EQ(statusDuringProbe, "\tTesting-->   first") << "the window ran while the probe waited";
    EXPECT_TRUE(visibleAfterClose) << "the close was held";
    std::vector<std::string> probed = m_probes.Probed();
    std::sort(probed.begin(), probed.end());
    EXPECT_EQ(probed, (std::vector<std::string>{"first", "second"}))
        << "the cycle finished its targets first";
    EXPECT_EQ(closed.count(), 1) << "the close ran at the cycle's last pump";
    EXPECT_FALSE(form->isVisible());
    const std::regex block(" 1 [^\r]* Success: [^\r]* secs  <Ping>first\r\n"
                           " +1 [^\r]* Success: [^\r]* secs  <Ping>second\r\n\r\n");
    EXPECT_TRUE(std::regex_search(ReadWholeFile(form->Model().DetailLogName), block));
}

INSTANTIATE_TEST_SUITE_P(OneOrTwoAtOnce, CloseDuringProbeTest, testing::Values(1, 2));

// Commands posted while the first of two targets is probed, as a global menu bar or an
// accessibility action delivers them past the held user input.
struct PostedCommand {
    const char* Name;
    QAction* MainMenus::*Item;
    std::int32_t AttemptsAfter; // at both probed positions once the command has run
    bool KeepsLogs;
    bool (*TookEffect)(TMainForm&);
};

constexpr auto kCleared = [](TMainForm& f) { return f.Model().Target(0).Addr.empty(); };
constexpr auto kRestarted = [](TMainForm& f) { return f.Model().StatisticsOf(0).Attempts == 2; };
constexpr auto kStopped = [](TMainForm& f) { return f.Model().StopRequested; };
constexpr auto kDeleted = [](TMainForm& f) { return !FileExists(f.Model().DetailLogName); };
constexpr auto kSaved = [](TMainForm& f) { return FileExists(f.Model().IniFileName); };
const PostedCommand kPostedCommands[] = {
    {"New", &MainMenus::New1, 0, true, kCleared},
    {"ContextNew", &MainMenus::New2, 0, true, kCleared},
    {"Open", &MainMenus::Open1, 1, true,
     [](TMainForm& f) { return f.Model().TargetCount() == 64; }},
    {"StartTest", &MainMenus::StartTest1, 2, true, kRestarted},
    {"ContextStartTest", &MainMenus::StartTest2, 2, true, kRestarted},
    {"StopTest", &MainMenus::StopTest1, 1, true, kStopped},
    {"ContextStopTest", &MainMenus::StopTest2, 1, true, kStopped},
    {"Exit", &MainMenus::Exit1, 1, true, [](TMainForm& f) { return !f.isVisible(); }},
    {"DeleteLogFiles", &MainMenus::DeleteLogFiles1, 1, false, kDeleted},
    {"ContextDeleteLogFiles", &MainMenus::DeleteLogFiles2, 1, false, kDeleted},
    {"Targets", &MainMenus::Targets1, 0, true, [](TMainForm& f) { return f.Model().IniChanged; }},
    {"Save", &MainMenus::Save1, 1, true, kSaved},
    {"SaveAs", &MainMenus::SaveAs1, 1, true, kSaved},
};

class PostedCommandTest : public MainFormTest, public testing::WithParamInterface<PostedCommand> {};

TEST_P(PostedCommandTest, WaitsForTheNextPumpPointAndLeavesTheCycleIntact) {
    const PostedCommand& command = GetParam();
    WriteWholeFile(m_dir.File("many.ini"), Configuration(std::vector<std::string>(64, "other")));
    WriteWholeFile(m_dir.File("watch.ini"), Configuration({"first", "second"}));
    m_probes.SetDown("second");
    for (const char* name : {"watch.ini", "many.ini"})
        m_prompts.ChooseNextFileToOpen(m_dir.File(name));
    m_prompts.ChooseNextFileToSave(m_dir.File("saved-as.ini"));
    auto form = Start();
    form->show();
    form->Menus().Open1->trigger();
    form->Model().IniFileName = m_dir.File("saved.ini");
    if (command.Item == &MainMenus::Targets1)
        WhenModalOpens([](QWidget& dialog) {
            dialog.findChild<QPushButton*>(QStringLiteral("DoneButton"))->click();
        });

    TMainForm* window = form.get();
    bool tookEffectBeforeLastPump = true;
    m_probes.DuringProbe([&] {
        const std::function<void()> work = [&, probe = m_probes.Calls()] {
            if (probe == 1)
                (window->Menus().*command.Item)->trigger();
            else if (probe == 2)
                tookEffectBeforeLastPump = command.TookEffect(*window);
        };
        QMetaObject::invokeMethod(window, work, Qt::BlockingQueuedConnection);
    });
    form->Menus().StartTest1->trigger();

    EXPECT_FALSE(tookEffectBeforeLastPump);
    EXPECT_TRUE(command.TookEffect(*form));
    const std::regex block(" 1 [^\r]* Success: [^\r]* secs  <Ping>first\r\n"
                           " +1 [^\r]* Failure: [^\r]* secs  <Ping>second\r\n\r\n");
    if (command.KeepsLogs) {
        EXPECT_TRUE(std::regex_search(ReadWholeFile(form->Model().DetailLogName), block));
    }
    for (std::int32_t i = 0; i < form->Model().TargetCount(); ++i) {
        const std::int32_t attempts = i < 2 ? command.AttemptsAfter : 0;
        EXPECT_EQ(form->Model().StatisticsOf(i).Attempts, attempts) << i;
        EXPECT_EQ(form->Model().StatisticsOf(i).Failures, i == 1 ? attempts : 0) << i;
    }
    EXPECT_TRUE(m_prompts.Texts(Kind::GeneralError).empty());
}

INSTANTIATE_TEST_SUITE_P(MenuCommands, PostedCommandTest, testing::ValuesIn(kPostedCommands),
                         [](const auto& info) { return std::string(info.param.Name); });

// A close carried out at the cycle's first pump point (posted before the run starts) or at its
// last one (held there from the second probe).
class ExitAtPumpPointTest : public MainFormTest,
                            public testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(ExitAtPumpPointTest, EndsTheCycleWithoutTouchingLogsOrDisplay) {
    const auto [atFirstPump, deleteLogs] = GetParam();
    WriteWholeFile(m_dir.File("watch.ini"), Configuration({"first", "second"}, 30, deleteLogs));
    m_prompts.ChooseNextFileToOpen(m_dir.File("watch.ini"));
    auto form = Start();
    form->show();
    form->Menus().Open1->trigger();
    TMainForm* window = form.get();
    const auto postClose = [window] {
        QMetaObject::invokeMethod(
            window, [window] { window->close(); }, Qt::QueuedConnection);
    };
    if (atFirstPump)
        postClose();
    else
        m_probes.DuringProbe([&] {
            if (m_probes.Calls() == 2)
                postClose();
        });
    std::pair<int, std::string> shownAtClose;
    QObject::connect(window, &TMainForm::Closed, window, [&] {
        shownAtClose = {window->Display().Count(), window->StatusBar1().Text()};
    });
    form->Menus().StartTest1->trigger();

    EXPECT_EQ(m_prompts.Kinds(), std::vector<Kind>{Kind::OpenDialog}) << "nothing after the close";
    EXPECT_EQ(m_probes.Calls(), atFirstPump ? 0 : 2);
    EXPECT_FALSE(form->Timer1().Enabled());
    EXPECT_EQ(shownAtClose, std::make_pair(form->Display().Count(), form->StatusBar1().Text()));
    EXPECT_EQ(FileExists(form->Model().DetailLogName), !deleteLogs);
}

INSTANTIATE_TEST_SUITE_P(Closes, ExitAtPumpPointTest,
                         testing::Combine(testing::Bool(), testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "First" : "Last") +
                                    (std::get<1>(info.param) ? "PumpDeletingLogs"
                                                             : "PumpKeepingLogs");
                         });

} // namespace
} // namespace velnorix
