#include "app/main_form.h"
#include "app/main_menus.h"
#include "app/qt_interval_timer.h"
#include "app/status_bar_line.h"
#include "app/text_display.h"
#include "base/text_file.h"
#include "kit/window_system_input.h"
#include "main_form_rig.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace velnorix {
namespace {

using kit::Configuration;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;
using kit::ReadWholeFile;
using kit::WhenModalOpens;
using kit::WriteWholeFile;

using kit::MainFormTest;
using kit::QueueClick;

// Commands given while the first of two targets is probed, as a click, a global menu bar or an
// accessibility action gives them, or as the window's own close (its title bar's) asks, with one
// probe at a time and with both at once.
struct PostedCommand {
    const char* Name;
    QAction* MainMenus::*Item;  // none: the window's own close
    std::int32_t AttemptsAfter; // at both probed positions once the command has run
    bool KeepsLogs;
    bool (*TookEffect)(TMainForm&);
    std::int32_t Parallel = 1;
};

constexpr auto kCleared = [](TMainForm& f) { return f.Model().Target(0).Addr.empty(); };
constexpr auto kRestarted = [](TMainForm& f) { return f.Model().StatisticsOf(0).Attempts == 2; };
constexpr auto kStopped = [](TMainForm& f) { return f.Model().StopRequested; };
constexpr auto kDeleted = [](TMainForm& f) { return !FileExists(f.Model().DetailLogName); };
constexpr auto kSaved = [](TMainForm& f) { return FileExists(f.Model().IniFileName); };
constexpr auto kClosed = [](TMainForm& f) { return !f.isVisible(); };
const PostedCommand kPostedCommands[] = {
    {"New", &MainMenus::New1, 0, true, kCleared},
    {"ContextNew", &MainMenus::New2, 0, true, kCleared},
    {"Open", &MainMenus::Open1, 1, true,
     [](TMainForm& f) { return f.Model().TargetCount() == 64; }},
    {"StartTest", &MainMenus::StartTest1, 2, true, kRestarted},
    {"ContextStartTest", &MainMenus::StartTest2, 2, true, kRestarted},
    {"StopTest", &MainMenus::StopTest1, 1, true, kStopped},
    {"ContextStopTest", &MainMenus::StopTest2, 1, true, kStopped},
    {"Exit", &MainMenus::Exit1, 1, true, kClosed},
    {"Close", nullptr, 1, true, kClosed},
    {"CloseTwoAtOnce", nullptr, 1, true, kClosed, 2},
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
    form->Model().Config.Parallel = command.Parallel;
    if (command.Item == &MainMenus::Targets1)
        WhenModalOpens([](QWidget& dialog) {
            dialog.findChild<QPushButton*>(QStringLiteral("DoneButton"))->click();
        });

    TMainForm* window = form.get();
    bool tookEffectBeforeLastPump = false;
    std::string statusDuringProbe;
    m_probes.DuringProbe([&] {
        const std::function<void()> work = [&, probe = m_probes.Calls()] {
            if (probe == 1) {
                statusDuringProbe = window->StatusBar1().Text();
                if (command.Item != nullptr)
                    (window->Menus().*command.Item)->trigger();
                else
                    window->close();
            }
            if (probe <= 2)
                tookEffectBeforeLastPump |= command.TookEffect(*window);
        };
        QMetaObject::invokeMethod(window, work, Qt::BlockingQueuedConnection);
    });
    QSignalSpy closed(window, &TMainForm::Closed);
    form->Menus().StartTest1->trigger();

    EXPECT_EQ(statusDuringProbe, "\tTesting-->   first") << "the window ran while the probe waited";
    EXPECT_FALSE(tookEffectBeforeLastPump);
    EXPECT_TRUE(command.TookEffect(*form));
    EXPECT_EQ(closed.count(), form->isVisible() ? 0 : 1)
        << "the close ran at the cycle's last pump";
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

// Clicks queued as the windowing system queues them, while the only probe waits: the File menu
// opens, Stop waits for the cycle's end and says so, and View > Summary shows its window.
TEST_F(MainFormTest, ClicksAreAnsweredWhileAProbeWaits) {
    auto form = Opened(Configuration({"first"}));
    TMainForm* window = form.get();
    QMenuBar& bar = *window->menuBar();
    QMenu& file = *bar.actions().at(0)->menu();
    QMenu& view = *bar.actions().at(1)->menu();
    std::atomic<bool> fileOpen = false;
    std::atomic<bool> viewOpen = false;
    std::atomic<bool> summaryShown = false;
    QObject::connect(&file, &QMenu::aboutToShow, [&] { fileOpen = true; });
    QObject::connect(&view, &QMenu::aboutToShow, [&] { viewOpen = true; });
    WhenModalOpens([&](QWidget& shown) {
        summaryShown = shown.windowTitle() == QStringLiteral("Velnorix Performance Summary");
        shown.close();
    });
    QString heldDuringProbe;
    const auto onWindow = [window](const std::function<void()>& work) {
        QMetaObject::invokeMethod(window, work, Qt::BlockingQueuedConnection);
    };
    // On the probe's thread: a click the window never answers fails the test, not hangs it.
    const auto await = [](const std::atomic<bool>& done) {
        for (int i = 0; i < 1000 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done.load();
    };
    const auto center = [](QMenu& menu, QAction* item) {
        return menu.actionGeometry(item).center();
    };
    m_probes.DuringProbe([&] {
        onWindow([&] { QueueClick(bar, bar.actionGeometry(bar.actions().at(0)).center()); });
        if (!await(fileOpen))
            return;
        onWindow([&] { QueueClick(file, center(file, window->Menus().StopTest1)); });
        onWindow([&] { QueueClick(bar, bar.actionGeometry(bar.actions().at(1)).center()); });
        if (!await(viewOpen))
            return;
        onWindow([&] { QueueClick(view, center(view, window->Menus().Summary1)); });
        await(summaryShown);
        onWindow([&] {
            heldDuringProbe =
                window->StatusBar1().findChild<QLabel*>(QStringLiteral("HeldCommand"))->text();
        });
    });
    form->Menus().StartTest1->trigger();

    EXPECT_TRUE(fileOpen);
    EXPECT_TRUE(viewOpen);
    EXPECT_TRUE(summaryShown);
    EXPECT_EQ(heldDuringProbe, QStringLiteral("Stop requested: after this cycle"));
    EXPECT_TRUE(form->Model().StopRequested);
    EXPECT_TRUE(form->StatusBar1().findChild<QLabel*>(QStringLiteral("HeldCommand"))->isHidden());
    EXPECT_EQ(form->Model().StatisticsOf(0).Attempts, 1);
}

// A close carried out at the cycle's first pump point (posted before the run starts) or at its
// last one (held there from the second probe).
class ExitAtPumpPointTest : public MainFormTest,
                            public testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(ExitAtPumpPointTest, EndsTheCycleWithoutTouchingLogsOrDisplay) {
    const auto [atFirstPump, deleteLogs] = GetParam();
    auto form = Opened(Configuration({"first", "second"}, 30, deleteLogs));
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
