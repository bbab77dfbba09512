#include "app/about_box.h"
#include "app/help_window.h"
#include "app/main_form.h"
#include "app/main_menus.h"
#include "app/qt_interval_timer.h"
#include "app/screen_adaptation.h"
#include "app/status_bar_line.h"
#include "app/text_display.h"
#include "app/tray_icon.h"
#include "base/text_file.h"
#include "gui_waits.h"
#include "kit/scripted_prompts.h"
#include "main_form_rig.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTextBrowser>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velnorix {
namespace {

using kit::Configuration;
using kit::MainFormTest;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;
using kit::ReadWholeFile;
using kit::TempDir;
using kit::WaitUntil;
using kit::WhenModalOpens;
using kit::WindowSetup;
using kit::WriteWholeFile;

constexpr const char* kNoIniName = "No Ini Name established!\rPlease try again";
constexpr const char* kUnsavedQuestion = "There is an unsaved Ini File;\rDo you wish to save?";

// Without parameters, or with a configuration that is missing (which is reported), the window
// waits idle and nothing starts.
TEST_F(MainFormTest, WithoutAConfigurationTheWindowWaitsIdle) {
    auto form = Start();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Velnorix"));
    EXPECT_TRUE(m_prompts.History().empty());
    EXPECT_FALSE(form->Timer1().Enabled());
    EXPECT_EQ(form->Display().Count(), 0);
    // Placed before it is shown, so its frame is the allowance made for it.
    EXPECT_TRUE(form->screen()->availableGeometry().contains(
        QRect(form->pos(), form->size().grownBy(kFrameAllowance))));

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

} // namespace
} // namespace velnorix
