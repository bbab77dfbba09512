#include "app/main_form.h"
#include "app/main_menus.h"
#include "app/tray_icon.h"
#include "base/text_file.h"
#include "main_form_fixture.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

// How the window closes: the closing steps, from the window and from the tray menu.
namespace velnorix {
namespace {

using kit::kNoIniName;
using kit::kUnsavedQuestion;
using kit::MainFormTest;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;
using kit::TempDir;

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
    const Case cases[] = {
        {"delete logs", true, true, false, false, true, false, {}, false},
        {"keep logs", false, true, false, false, true, true, {}, false},
        {"delete logs, no run", true, false, false, false, true, false, {}, false},
        {"unsaved, No", false, false, true, false, true, false, {Kind::Question}, false},
        {"unsaved, Yes", false, false, true, true, true, false, {Kind::Question}, true},
        {"unsaved, Yes, no name, cancelled",
         false,
         false,
         true,
         true,
         false,
         false,
         {Kind::Question, Kind::SaveDialog, Kind::Confirmation},
         false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        ScriptedPrompts prompts;
        MainFormSetup setup;
        setup.Folders = FoldersBeside(dir.Path());
        setup.Prompts = &prompts;
        setup.Probes.emplace(m_probes.Components());
        TMainForm form(std::move(setup));
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

} // namespace
} // namespace velnorix
