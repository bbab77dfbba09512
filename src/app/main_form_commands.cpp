// The main window's menu commands: each forwards to the part of the program that does it.
#include "app/about_box.h"
#include "app/alert_pause.h"
#include "app/help_window.h"
#include "app/main_form.h"
#include "app/main_menus.h"
#include "app/text_display.h"
#include "config/configuration_commands.h"
#include "config/forms/targets_dialog.h"
#include "engine/display_header.h"
#include "engine/monitor.h"
#include "reports/forms/log_commands.h"
#include "reports/forms/perf_form.h"

#include <QAction>
#include <QCoreApplication>

namespace velnorix {

void TMainForm::ConnectMenuCommands() {
    // Clicks and keys reach the window while a probe runs. A command that changes the run or
    // the configuration waits for the cycle's end, where the table is not in use, and the
    // status bar says so; one that only shows something, or pauses alerts, runs at once. Held is
    // the name the status bar gives the waiting command; none: it runs at once.
    struct Command {
        QAction* Item;
        void (TMainForm::*Handler)();
        const char* Held;
    };
    const Command commands[] = {
        {m_menus->New1, &TMainForm::New1Click, "New"},
        {m_menus->Open1, &TMainForm::Open1Click, "Open"},
        {m_menus->StartTest1, &TMainForm::StartTest1Click, "Start"},
        {m_menus->StopTest1, &TMainForm::StopTest1Click, "Stop"},
        {m_menus->PauseOneHour1, &TMainForm::PauseOneHour1Click, nullptr},
        {m_menus->PauseEightHours1, &TMainForm::PauseEightHours1Click, nullptr},
        {m_menus->PauseUntilResumed1, &TMainForm::PauseUntilResumed1Click, nullptr},
        {m_menus->ResumeAlerts1, &TMainForm::ResumeAlerts1Click, nullptr},
        {m_menus->Exit1, &TMainForm::Exit1Click, "Exit"},
        {m_menus->Summary1, &TMainForm::Summary1Click, nullptr},
        {m_menus->Log1, &TMainForm::Log1Click, nullptr},
        {m_menus->SummaryLog1, &TMainForm::SummaryLog1Click, nullptr},
        {m_menus->InactiveDetailLog1, &TMainForm::InactiveDetailLog1Click, nullptr},
        {m_menus->InactiveSummaryLog1, &TMainForm::InactiveSummaryLog1Click, nullptr},
        {m_menus->DeleteLogFiles1, &TMainForm::DeleteLogFiles1Click, "Delete Log Files"},
        {m_menus->Targets1, &TMainForm::Targets1Click, "Targets/Options"},
        {m_menus->Save1, &TMainForm::Save1Click, "Save"},
        {m_menus->SaveAs1, &TMainForm::SaveAs1Click, "Save As"},
        {m_menus->Contents1, &TMainForm::Contents1Click, nullptr},
        {m_menus->About1, &TMainForm::About1Click, nullptr},
    };
    for (const Command& command : commands) {
        connect(command.Item, &QAction::triggered, this, [this, command] {
            const auto run = [this, handler = command.Handler] {
                // Held commands still queued when the window closed have nothing to act on.
                if (!m_closed)
                    RunGuarded([this, handler] { (this->*handler)(); });
            };
            if (command.Held != nullptr)
                HoldUntilCycleEnds(command.Held, run);
            else
                run();
        });
    }
    connect(m_menus, &MainMenus::MainMenu1Change, this, &TMainForm::ApplyStartTestRule);
    connect(m_menus, &MainMenus::PopupMenu1Popup, this, &TMainForm::ApplyStartTestRule);
}

void TMainForm::New1Click() {
    m_configuration->New();
}

void TMainForm::Open1Click() {
    // A load allows starting at once; a cancelled dialog changed nothing.
    if (m_configuration->Open())
        EnableStart();
}

void TMainForm::StartTest1Click() {
    m_startEnabled = false;
    m_monitor->Scheduler().StartTestRun();
}

void TMainForm::StopTest1Click() {
    m_startEnabled = true;
    m_monitor->Scheduler().RequestStop();
}

void TMainForm::PauseOneHour1Click() {
    m_alertPause->PauseFor(std::chrono::hours(1));
}

void TMainForm::PauseEightHours1Click() {
    m_alertPause->PauseFor(std::chrono::hours(8));
}

void TMainForm::PauseUntilResumed1Click() {
    m_alertPause->PauseUntilResumed();
}

void TMainForm::ResumeAlerts1Click() {
    m_alertPause->Resume();
}

void TMainForm::Exit1Click() {
    close();
}

void TMainForm::Summary1Click() {
    ShowPerformanceSummary(this, m_model, m_metrics, m_clock.Now(), m_formatSettings, *m_prompts,
                           {.Uptimes = m_history.Uptimes(),
                            .DatabasePath = m_history.DatabasePath(),
                            .Now = m_clock.SecondsSinceEpoch()});
}

void TMainForm::Log1Click() {
    m_logs->ShowDetailLog();
}

void TMainForm::SummaryLog1Click() {
    m_logs->ShowSummaryLog();
}

void TMainForm::InactiveDetailLog1Click() {
    m_logs->ShowInactiveDetailLog();
}

void TMainForm::InactiveSummaryLog1Click() {
    m_logs->ShowInactiveSummaryLog();
}

void TMainForm::DeleteLogFiles1Click() {
    m_logs->DeleteLogFiles();
}

void TMainForm::Targets1Click() {
    if (!EditTargetsAndOptions(this, m_model, *m_prompts))
        return;
    ShowTargetHeader(m_model.Config, *m_display);
    EnableStart();
}

void TMainForm::Save1Click() {
    m_configuration->Save();
}

void TMainForm::SaveAs1Click() {
    m_configuration->SaveAs();
}

void TMainForm::Contents1Click() {
    if (m_help == nullptr)
        m_help = new HelpWindow(this);
    const std::string helpFile = m_folders.Resources + "/" + kHelpFileName;
    if (!m_help->ShowContents(helpFile))
        m_prompts->ShowErrorBox("Cannot find the help file\r" + helpFile);
}

void TMainForm::About1Click() {
    TAboutBox box(this);
    box.CenterOnForm = this;
    box.exec();
}

} // namespace velnorix
