#include "app/main_form.h"
#include "app/main_menus.h"
#include "app/status_bar_line.h"
#include "app/tray_icon.h"
#include "counting_notices.h"
#include "engine/run_states.h"
#include "gui_waits.h"
#include "kit/scripted_prompts.h"
#include "scripted_probes.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QStringList>
#include <gtest/gtest.h>
#include <string>

namespace velnorix {
namespace {

using kit::WaitUntil;

const std::string kFailing = "192.0.2.10";

QAction* TrayItem(TMainForm& form, const QString& caption) {
    for (QAction* item : form.StTrayIcon1().Menu().actions())
        if (item->text() == caption)
            return item;
    return nullptr;
}

// Pausing for an hour from the File menu while a run goes on, a failing target shows Paused and
// makes no sound and no notice; the tray's Resume Alerts brings its state, sound and notice back.
TEST(AlertPauseTest, AnHoursPauseSilencesAFailingTargetUntilResumedFromTheTray) {
    kit::TempDir dir;
    std::string text = kit::Configuration({"127.0.0.1", kFailing}) + "Notify=TRUE\r\n";
    for (std::size_t at = text.find("Audible=FALSE"); at != std::string::npos;
         at = text.find("Audible=FALSE"))
        text.replace(at, 13, "Audible=TRUE");
    kit::WriteWholeFile(dir.File("two.ini"), text);
    kit::ScriptedProbes probes;
    kit::ScriptedPrompts prompts;
    kit::CountingNotices notices;
    int sounds = 0;
    MainFormSetup setup = kit::WindowSetup(probes, prompts, dir.Path(), {"two.ini"});
    setup.Notices = &notices;
    setup.AlertSound = [&sounds] { ++sounds; };
    TMainForm form(std::move(setup));
    form.show();
    ASSERT_TRUE(WaitUntil([&form] { return form.Model().CycleCount >= 1; }));
    const auto* pauseField = form.StatusBar1().findChild<QLabel*>(QStringLiteral("AlertPause"));
    ASSERT_NE(pauseField, nullptr);
    EXPECT_TRUE(pauseField->isHidden());
    EXPECT_FALSE(form.Menus().ResumeAlerts1->isEnabled());

    const QDateTime before = QDateTime::currentDateTime();
    form.Menus().PauseOneHour1->trigger();
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_EQ(StatesOf(form.Model()),
              (std::vector<TargetState>{TargetState::Paused, TargetState::Paused}));
    // The minute may turn between the two readings.
    const QStringList expected = {before.addSecs(3600).toString(QStringLiteral("HH:mm")),
                                  after.addSecs(3600).toString(QStringLiteral("HH:mm"))};
    EXPECT_TRUE(
        expected.contains(pauseField->text().remove(QStringLiteral("Alerts paused until "))))
        << pauseField->text().toStdString();
    EXPECT_FALSE(pauseField->isHidden());

    probes.SetDown(kFailing);
    form.StartTest1Click(); // a cycle at once
    EXPECT_EQ(StatesOf(form.Model()),
              (std::vector<TargetState>{TargetState::Paused, TargetState::Paused}));
    EXPECT_EQ(sounds, 0);
    EXPECT_TRUE(notices.Shown.empty());

    QAction* resume = TrayItem(form, QStringLiteral("Resume Alerts"));
    ASSERT_NE(resume, nullptr);
    EXPECT_TRUE(resume->isEnabled());
    resume->trigger();
    EXPECT_EQ(StatesOf(form.Model()),
              (std::vector<TargetState>{TargetState::Up, TargetState::Down}));
    EXPECT_TRUE(pauseField->isHidden());
    EXPECT_FALSE(resume->isEnabled());

    form.StartTest1Click();
    EXPECT_EQ(sounds, 1);
    ASSERT_EQ(notices.Shown.size(), 1U);
    EXPECT_TRUE(notices.Shown[0].Failure);
}

} // namespace
} // namespace velnorix
