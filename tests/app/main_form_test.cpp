#include "app/about_box.h"
#include "app/help_window.h"
#include "app/main_form.h"
#include "app/main_menus.h"
#include "app/qt_interval_timer.h"
#include "app/status_bar_line.h"
#include "app/text_display.h"
#include "app/tray_icon.h"
#include "base/text_file.h"
#include "gui_waits.h"
#include "kit/scripted_prompts.h"
#include "scripted_probes.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTextBrowser>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace velnorix {
namespace {

using kit::Configuration;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;
using kit::ReadWholeFile;
using kit::ScriptedProbes;
using kit::TempDir;
using kit::WaitUntil;
using kit::WhenModalOpens;
using kit::WindowSetup;
using kit::WriteWholeFile;

constexpr const char* kNoIniName = "No Ini Name established!\rPlease try again";
constexpr const char* kUnsavedQuestion = "There is an unsaved Ini File;\rDo you wish to save?";

class MainFormTest : public testing::Test {
protected:
    std::unique_ptr<TMainForm> Start(std::vector<std::string> arguments = {},
                                     std::string programDirectory = {}) {
        return std::make_unique<TMainForm>(WindowSetup(
            m_probes, m_prompts, programDirectory.empty() ? m_dir.Path() : programDirectory,
            std::move(arguments)));
    }

    static bool StartItemsEnabled(TMainForm& form) {
        EXPECT_EQ(form.Menus().StartTest1->isEnabled(), form.Menus().StartTest2->isEnabled());
        return form.Menus().StartTest1->isEnabled();
    }

    // A shown window that has opened watch.ini, a configuration of `text`, through File, Open.
    std::unique_ptr<TMainForm> Opened(const std::string& text) {
        WriteWholeFile(m_dir.File("watch.ini"), text);
        m_prompts.ChooseNextFileToOpen(m_dir.File("watch.ini"));
        auto form = Start();
        form->show();
        form->Menus().Open1->trigger();
        return form;
    }

    // Opens the context menu as a right click would and closes it again.
    static void OpenAndCloseContextMenu(TMainForm& form) {
        form.OpenPopupMenu(form.mapToGlobal(QPoint(50, 80)));
        form.Menus().PopupMenu1->close();
    }

    TempDir m_dir;
    ScriptedPrompts m_prompts;
    ScriptedProbes m_probes;
};

// Without parameters, or with a configuration that is missing (which is reported), the window
// waits idle and nothing starts.
TEST_F(MainFormTest, WithoutAConfigurationTheWindowWaitsIdle) {
    auto form = Start();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Velnorix"));
    EXPECT_TRUE(m_prompts.History().empty());
    EXPECT_FALSE(form->Timer1().Enabled());
    EXPECT_EQ(form->Display().Count(), 0);
    EXPECT_EQ(form->pos(), QPoint(338, 290));

    auto missing = Start({"absent.ini"});
    ASSERT_EQ(m_prompts.History().size(), 1u);
    EXPECT_EQ(m_prompts.History()[0].What, Kind::Error);
    EXPECT_EQ(m_prompts.History()[0].Text, kNoIniName);
    EXPECT_TRUE(missing->Model().IniFileName.empty());
    for (TMainForm* each : {form.get(), missing.get()}) {
        EXPECT_FALSE(StartItemsEnabled(*each));
        EXPECT_FALSE(each->Timer2().Enabled());
    }
    OpenAndCloseContextMenu(*missing);
    EXPECT_FALSE(missing->Menus().StartTest2->isEnabled());
}

TEST_F(MainFormTest, AConfigurationOnTheCommandLineStartsARunASecondLater) {
    WriteWholeFile(m_dir.File("watch.ini"), Configuration({"127.0.0.1", "192.0.2.10"}, 1));
    m_probes.SetDown("192.0.2.10");
    auto form = Start({"watch.ini", "ignored"});
    form->show();

    EXPECT_EQ(form->Model().IniFileName, m_dir.File("watch.ini"));
    EXPECT_EQ(form->Model().TargetCount(), 2);
    EXPECT_TRUE(StartItemsEnabled(*form));
    EXPECT_TRUE(form->Timer2().Enabled());
    EXPECT_EQ(form->Timer2().Interval(), 1000);
    EXPECT_TRUE(form->Model().DetailLogName.empty()) << "the run waits for the start timer";

    ASSERT_TRUE(WaitUntil([&form] { return form->Model().CycleCount >= 1; }));
    EXPECT_FALSE(form->Timer2().Enabled());
    EXPECT_TRUE(FileExists(form->Model().DetailLogName));
    EXPECT_EQ(std::filesystem::path(form->Model().DetailLogName).parent_path(), m_dir.Path());
    const std::string log = ReadWholeFile(form->Model().DetailLogName);
    EXPECT_NE(log.find("Success: "), std::string::npos);
    EXPECT_NE(log.find("Failure: "), std::string::npos);
    bool failureShown = false;
    for (int i = 0; i < form->Display().Count(); ++i)
        failureShown |= form->Display().Line(i).find("Failure: ") != std::string::npos;
    EXPECT_TRUE(failureShown);

    // Timer1 goes on with the configured second.
    ASSERT_TRUE(WaitUntil([&form] { return form->Model().CycleCount >= 2; }));
    EXPECT_EQ(form->Timer1().Interval(), 1000);
    EXPECT_TRUE(m_prompts.History().empty());
}

TEST_F(MainFormTest, ANameWithADirectoryPartIsUsedAsItStands) {
    TempDir elsewhere;
    WriteWholeFile(elsewhere.File("watch.ini"), Configuration({"a", "b", "c"}));
    WriteWholeFile(m_dir.File("watch.ini"), Configuration({"x"}));
    auto form = Start({elsewhere.File("watch.ini")});
    EXPECT_EQ(form->Model().TargetCount(), 3);
    EXPECT_EQ(form->Model().IniFileName, elsewhere.File("watch.ini"));
    EXPECT_TRUE(form->Timer2().Enabled());
}

TEST_F(MainFormTest, OpeningAConfigurationEnablesStartTest) {
    WriteWholeFile(m_dir.File("watch.ini"), Configuration({"127.0.0.1"}));
    auto form = Start();
    OpenAndCloseContextMenu(*form);
    EXPECT_FALSE(StartItemsEnabled(*form));

    m_prompts.ChooseNextFileToOpen(m_dir.File("watch.ini"));
    form->Menus().Open1->trigger();
    EXPECT_EQ(m_prompts.Kinds(), std::vector<Kind>{Kind::OpenDialog});
    EXPECT_EQ(m_prompts.OpenDialogs()[0].InitialDirectory, m_dir.Path());
    EXPECT_TRUE(StartItemsEnabled(*form));
    EXPECT_EQ(form->Model().TargetCount(), 1);
    EXPECT_EQ(form->Display().Count(), 4) << "the header shows the target";

    // A cancelled Open changes nothing.
    form->Menus().Open2->trigger();
    EXPECT_TRUE(StartItemsEnabled(*form));
}

TEST_F(MainFormTest, AnUnreadableConfigurationGoesToTheGeneralErrorDisplay) {
    const std::string folder = m_dir.File("folder.ini");
    std::filesystem::create_directory(folder);
    const std::string expected = "Cannot open file \"" + folder + "\". " + std::strerror(EISDIR);

    auto form = Start({"folder.ini"}); // named on the command line
    EXPECT_EQ(m_prompts.Boxes(),
              (std::vector<ScriptedPrompts::Shown>{{Kind::GeneralError, expected}}));
    EXPECT_FALSE(form->Timer2().Enabled()) << "no run starts";

    m_prompts.Clear();
    m_prompts.ChooseNextFileToOpen(folder);
    form->Menus().Open1->trigger();
    EXPECT_EQ(m_prompts.Boxes(),
              (std::vector<ScriptedPrompts::Shown>{{Kind::GeneralError, expected}}));
    EXPECT_FALSE(StartItemsEnabled(*form));
    EXPECT_TRUE(form->Model().IniFileName.empty()) << "the next Save must not write there";
}

TEST_F(MainFormTest, StartTestItemsFollowTheRunStateOnlyWhenTheMenuChangesOrOpens) {
    auto form = Opened(Configuration({"127.0.0.1"}));
    form->Menus().StartTest1->trigger();
    EXPECT_EQ(form->Model().CycleCount, 1);
    EXPECT_FALSE(form->StartEnabled());
    // No menu change since the start: the File item still starts a new run at once.
    EXPECT_TRUE(form->Menus().StartTest1->isEnabled());
    OpenAndCloseContextMenu(*form);
    EXPECT_FALSE(StartItemsEnabled(*form));

    form->Menus().StopTest2->trigger();
    EXPECT_TRUE(form->StartEnabled());
    EXPECT_FALSE(StartItemsEnabled(*form));
    OpenAndCloseContextMenu(*form);
    EXPECT_TRUE(StartItemsEnabled(*form));
}

// The context menu's Delete Log Files stops a run first, and stops even without one.
TEST_F(MainFormTest, ContextDeleteLogFilesStopsTheRunFirst) {
    auto idle = Start();
    idle->Menus().DeleteLogFiles2->trigger();
    EXPECT_TRUE(idle->StartEnabled());
    EXPECT_EQ(idle->StatusBar1().Text(), "  Test Stopped!");
    OpenAndCloseContextMenu(*idle);
    EXPECT_TRUE(idle->Menus().StartTest2->isEnabled()) << "even without a configuration";

    auto form = Opened(Configuration({"127.0.0.1"}));
    form->Menus().StartTest1->trigger();
    const std::string detail = form->Model().DetailLogName;
    const std::string summary = form->Model().SummaryLogName;
    ASSERT_TRUE(FileExists(detail));
    ASSERT_TRUE(form->Timer1().Enabled());

    form->Menus().DeleteLogFiles2->trigger();
    EXPECT_FALSE(form->Timer1().Enabled());
    EXPECT_TRUE(form->Model().StopRequested);
    const std::string status = form->StatusBar1().Text();
    EXPECT_EQ(status.substr(status.size() - 15), "  Test Stopped!");
    EXPECT_FALSE(FileExists(detail));
    EXPECT_FALSE(FileExists(summary));
}

TEST_F(MainFormTest, ClosingStepsDeleteLogsAndAskAboutUnsavedChanges) {
    struct Case {
        const char* Name;
        bool DeleteLogs;
        bool StartRun;
        bool IniChanged;
        bool Answer;
        bool HasFileName;
        bool LogsRemain;
        std::vector<Kind> Prompts;
        bool Saved;
    };
    const std::vector<Kind> unnamed = {Kind::Question, Kind::SaveDialog, Kind::Confirmation};
    const Case cases[] = {
        {"delete logs", true, true, false, false, true, false, {}, false},
        {"keep logs", false, true, false, false, true, true, {}, false},
        {"delete logs, no run", true, false, false, false, true, false, {}, false},
        {"unsaved, No", false, false, true, false, true, false, {Kind::Question}, false},
        {"unsaved, Yes", false, false, true, true, true, false, {Kind::Question}, true},
        {"unsaved, Yes, no name, cancelled", false, false, true, true, false, false, unnamed,
         false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        ScriptedPrompts prompts;
        TMainForm form(WindowSetup(m_probes, prompts, dir.Path()));
        QSignalSpy closed(&form, &TMainForm::Closed);
        form.show();
        if (c.StartRun)
            form.StartTest1Click();
        form.Model().Config.DeleteLogs = c.DeleteLogs;
        form.Model().IniChanged = c.IniChanged;
        if (c.HasFileName)
            form.Model().IniFileName = dir.File("saved.ini");
        prompts.AnswerNextQuestion(c.Answer);
        const std::string detail = form.Model().DetailLogName;

        form.Menus().Exit1->trigger();
        EXPECT_FALSE(form.isVisible()) << c.Name;
        EXPECT_EQ(closed.count(), 1) << c.Name;
        EXPECT_EQ(prompts.Kinds(), c.Prompts) << c.Name;
        if (c.StartRun) {
            EXPECT_EQ(FileExists(detail), c.LogsRemain) << c.Name;
            EXPECT_EQ(FileExists(form.Model().SummaryLogName), c.LogsRemain) << c.Name;
        }
        EXPECT_EQ(FileExists(dir.File("saved.ini")), c.Saved) << c.Name;
        if (prompts.Kinds().size() == 3) {
            EXPECT_EQ(prompts.History()[2].Text, kNoIniName);
        }
        if (!prompts.History().empty()) {
            EXPECT_EQ(prompts.History()[0].Text, kUnsavedQuestion);
        }
    }
}

TEST_F(MainFormTest, TheTrayMenuClosesThroughTheClosingStepsAndRestores) {
    auto form = Start();
    form->show();
    form->hide();
    form->StTrayIcon1().RestoreItem->trigger();
    EXPECT_TRUE(form->isVisible());

    form->Model().IniChanged = true;
    QSignalSpy closed(form.get(), &TMainForm::Closed);
    form->StTrayIcon1().CloseItem->trigger();
    EXPECT_EQ(m_prompts.Kinds(), std::vector<Kind>{Kind::Question});
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(form->StTrayIcon1().CloseItem->text(), QStringLiteral("&Close"));
    EXPECT_EQ(form->StTrayIcon1().RestoreItem->text(), QStringLiteral("&Restore"));
    EXPECT_EQ(form->StTrayIcon1().Icon().toolTip(), QStringLiteral("Velnorix"));
}

TEST_F(MainFormTest, ErrorsOfACommandGoToTheGeneralErrorDisplay) {
    auto form = Start({}, "/nonexistent/velnorix");
    form->EnableStart();
    form->Menus().StartTest1->trigger();
    ASSERT_EQ(m_prompts.Kinds(), std::vector<Kind>{Kind::GeneralError});
    EXPECT_NE(m_prompts.History()[0].Text.find("/nonexistent/velnorix/Velnorix"), std::string::npos)
        << m_prompts.History()[0].Text;
    // Handed over whole; the final "." is the general display's own addition.
    EXPECT_TRUE(m_prompts.History()[0].Text.starts_with("Cannot create file \""));
    EXPECT_TRUE(
        m_prompts.History()[0].Text.ends_with(".smy\". " + std::string(std::strerror(ENOENT))))
        << m_prompts.History()[0].Text;
    EXPECT_FALSE(form->Timer1().Enabled());
}

// Resizing recomputes the lines the display keeps; on a small screen the display font shrinks and
// the window may be smaller.
TEST_F(MainFormTest, ResizingRecomputesTheLinesTheDisplayKeepsAndASmallScreenShrinksIt) {
    WriteWholeFile(m_dir.File("watch.ini"), Configuration({"a", "b"}));
    auto form = Start({"watch.ini"});
    form->show();
    EXPECT_EQ(form->Display().height(), 385);
    EXPECT_EQ(form->Display().VisibleLineCount(), 385 / 15);
    form->resize(form->width(), form->height() + 150);
    EXPECT_EQ(form->Display().height(), 535);
    EXPECT_EQ(form->Display().VisibleLineCount(), 535 / 15);
    // The offscreen screen is 800 pixels wide: the usual minimum, a 670 x 460 whole window.
    form->resize(100, 100);
    EXPECT_EQ(form->Display().height(), 385);
    EXPECT_EQ(form->width(), 662);

    form->AdaptToScreenWidth(640);
    EXPECT_EQ(form->Display().font().pointSize(), 7);
    EXPECT_GT(form->Display().VisibleLineCount(), 385 / 15) << "a smaller font fits more lines";
    form->resize(100, 100);
    EXPECT_EQ(form->width(), 562);
    EXPECT_EQ(form->Display().height(), 385 - 110);

    form->AdaptToScreenWidth(20000); // nothing set for such a screen
    form->resize(100, 100);
    EXPECT_EQ(form->width(), 562);
    EXPECT_EQ(form->Display().font().pointSize(), 7);
}

TEST_F(MainFormTest, HelpContentsShowsTheHelpFileOrSaysItIsMissing) {
    auto form = Start();
    form->Menus().Contents1->trigger();
    ASSERT_EQ(m_prompts.Kinds(), std::vector<Kind>{Kind::Error});
    EXPECT_EQ(m_prompts.History()[0].Text,
              "Cannot find the help file\r" + m_dir.File("Velnorix.html"));

    WriteWholeFile(m_dir.File("Velnorix.html"),
                   "<html><body><a name=\"contents\"></a><h1>Contents</h1></body></html>");
    form->Menus().Contents1->trigger();
    ASSERT_NE(form->Help(), nullptr);
    EXPECT_TRUE(form->Help()->isVisible());
    EXPECT_TRUE(form->Help()->Browser().toPlainText().contains(QStringLiteral("Contents")));
    EXPECT_EQ(m_prompts.History().size(), 1u);
}

TEST_F(MainFormTest, ConfirmedTargetsRedrawTheHeaderAndEnableStartTest) {
    auto form = Start();
    for (const char* addr : {"a", "b"}) {
        TargetSettings& target = form->Model().Config.Targets.emplace_back();
        target.SetType(kTagPing);
        target.Addr = addr;
        target.Audible = false;
    }

    WhenModalOpens([](QWidget& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    });
    form->Menus().Targets2->trigger();
    EXPECT_FALSE(form->Model().IniChanged);
    EXPECT_FALSE(StartItemsEnabled(*form));
    EXPECT_EQ(form->Display().Count(), 0);

    WhenModalOpens([](QWidget& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("DoneButton"))->click();
    });
    form->Menus().Targets1->trigger();
    EXPECT_TRUE(form->Model().IniChanged);
    EXPECT_TRUE(StartItemsEnabled(*form));
    ASSERT_EQ(form->Display().Count(), 2 + 3);
    EXPECT_EQ(form->Display().Line(2), "<Ping>a [0] ");
}

// Summary shows the performance window modally; About centres its box on the main window.
TEST_F(MainFormTest, SummaryAndAboutShowTheirWindowsModally) {
    auto form = Start();
    form->show();
    QString shown;
    WhenModalOpens([&shown](QWidget& window) {
        shown = window.windowTitle();
        window.close();
    });
    form->Menus().Summary2->trigger();
    EXPECT_EQ(shown, QStringLiteral("Velnorix Performance Summary"));

    QWidget* centredOn = nullptr;
    WhenModalOpens([&](QWidget& window) {
        auto& box = dynamic_cast<TAboutBox&>(window);
        centredOn = box.CenterOnForm;
        shown = box.windowTitle();
        box.accept();
    });
    form->Menus().About1->trigger();
    EXPECT_EQ(centredOn, form.get());
    EXPECT_EQ(shown, QStringLiteral("About"));
    EXPECT_TRUE(m_prompts.History().empty());
}

// Commands posted while the first of two targets is probed, as a global menu bar or an
// accessibility action delivers them past the held user input, or as the window's own close (its
// title bar's) asks, with one probe at a time and with both at once.
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
