#pragma once

#include "alerts/alert_relay.h"
#include "app/pump_point_gate.h"
#include "base/program_folders.h"
#include "base/text_format.h"
#include "engine/host.h"
#include "engine/probe_set.h"
#include "engine/run_metrics.h"
#include "engine/run_model.h"
#include "engine/run_observers.h"
#include "engine/verdict_changes.h"
#include "history/history_recorder.h"
#include "probes/probe_interfaces.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

class AlertPause;
class ConfigurationCommands;
class DesktopNotices;
class ErrorSound;
class HelpWindow;
class LogCommands;
class MainMenus;
class Monitor;
class QtHostServices;
class QtIntervalTimer;
class StatusBarLine;
class TextDisplay;
class TrayIcon;

// What the main window is started with. Tests replace the parts that reach outside the
// program: the dialogs and the network.
struct MainFormSetup {
    // The command-line parameters after the program's name.
    std::vector<std::string> Arguments;
    // Where bare configuration names, the run's logs and the help file are.
    ProgramFolders Folders;
    // None: message boxes and file dialogs over the window.
    UserPrompts* Prompts = nullptr;
    // None: the network probes, for probing one at a time and several at once alike.
    std::optional<ProbeComponents> Probes;
    // What several probes at once are made with when Probes is given.
    ProbeMakers ParallelProbes;
    // None: the tray icon's notifications.
    DesktopNotices* Notices = nullptr;
    // None: the alert sound, played to its end on the default audio output.
    std::function<void()> AlertSound;
};

// The program's one main window: the display of result lines, the status bar, the menus, the
// notification-area icon and the two timers that drive the engine. It owns the run model and
// the engine for the life of the program.
class TMainForm final : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(MainFormSetup setup);
    ~TMainForm() override;

    [[nodiscard]] RunModel& Model() { return m_model; }
    // Whether the Start Test items are to be enabled when the menus next change.
    [[nodiscard]] bool StartEnabled() const { return m_startEnabled; }
    [[nodiscard]] const RunMetrics& Metrics() const { return m_metrics; }
    [[nodiscard]] TextDisplay& Display() { return *m_display; }
    // StatusBar1: the status bar's one simple text.
    [[nodiscard]] StatusBarLine& StatusBar1() { return *m_statusBar; }
    [[nodiscard]] MainMenus& Menus() { return *m_menus; }
    // Timer1, the interval timer: each tick runs one test cycle.
    [[nodiscard]] QtIntervalTimer& Timer1() { return *m_timer1; }
    // Timer2, the start timer: one tick a second after a configuration named on the command
    // line was loaded, which starts the run.
    [[nodiscard]] QtIntervalTimer& Timer2() { return *m_timer2; }
    // StTrayIcon1: the notification-area icon.
    [[nodiscard]] TrayIcon& StTrayIcon1() { return *m_tray; }
    [[nodiscard]] UserPrompts& Prompts() { return *m_prompts; }
    [[nodiscard]] HostServices& Host();
    [[nodiscard]] HelpWindow* Help() { return m_help; }
    [[nodiscard]] const ProgramFolders& Folders() const { return m_folders; }

    // The menu commands, each named after its item (MainMenus gives the captions).
    void New1Click();                // File > New: empties every target entry
    void Open1Click();               // File > Open: loads a configuration chosen in a dialog
    void StartTest1Click();          // File > Start Test: new logs, a cycle now, then Timer1
    void StopTest1Click();           // File > Stop Test: ends the run after the current cycle
    void PauseOneHour1Click();       // File > Pause Alerts > For 1 Hour
    void PauseEightHours1Click();    // File > Pause Alerts > For 8 Hours
    void PauseUntilResumed1Click();  // File > Pause Alerts > Until Resumed
    void ResumeAlerts1Click();       // File > Resume Alerts
    void Exit1Click();               // File > Exit: closes the window
    void Summary1Click();            // View > Summary: the performance window
    void Log1Click();                // View > Detail Log: the run's log with the failure search
    void SummaryLog1Click();         // View > Summary Log: the run's summary log
    void InactiveDetailLog1Click();  // View > Inactive Detail Log: an earlier run's detail log
    void InactiveSummaryLog1Click(); // View > Inactive Summary Log: an earlier run's summary
    void DeleteLogFiles1Click();     // View > Delete Log Files: deletes the run's logs
    void Targets1Click();            // Configure > Targets/Options: the configuration dialog
    void Save1Click();               // Configure > Save: writes the configuration file
    void SaveAs1Click();             // Configure > SaveAs: writes it under a chosen name
    void Contents1Click();           // Help > Contents: the help window
    void About1Click();              // Help > About: the About box

    // Both Start Test items follow m_startEnabled: when the main menu changes and before the
    // context menu opens.
    void ApplyStartTestRule();
    // After a configuration is loaded or edited: a run may start at once.
    void EnableStart();
    // Sets the display font and the minimum window size for a screen of this width.
    void AdaptToScreenWidth(int screenWidth);
    // Opens the context menu at a global position.
    void OpenPopupMenu(const QPoint& globalPosition);

Q_SIGNALS:
    // The closing steps are done and the program may end.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The window's creation: the empty model, then the configuration named on the command line.
    void FormCreate(const std::vector<std::string>& arguments);
    // The window is shown: the layout follows the screen's width.
    void FormShow();
    // The window became active: it is drawn and waiting messages run.
    void FormActivate();
    // The window closes: the logs go if so configured, unsaved changes are offered for saving.
    void FormClose();
    void ConnectMenuCommands();
    // Runs `action` now, or at the cycle's end when a probe is running, saying so meanwhile.
    void HoldUntilCycleEnds(std::string_view name, std::function<void()> action);
    // Runs a command or a timer handler; whatever it throws goes to the general error display.
    void RunGuarded(const std::function<void()>& command);
    void RepaintAndPump();
    // After a cycle: the targets whose verdict changed, told to the desktop when so configured
    // and to the alert channels the configuration sets.
    void NotifyVerdictChanges();
    // A pause of alerts begins or ends: the engine, Resume Alerts and the status bar follow.
    void ApplyAlertPause(bool paused, const QString& notice);
    // The history could not be written, or was set aside: said in the status bar, which
    // interrupts nothing.
    void ShowHistoryTrouble(const std::string& trouble);

    ProgramFolders m_folders;
    PumpPointGate m_gate;
    RunModel m_model;
    TextDisplay* m_display;
    StatusBarLine* m_statusBar;
    MainMenus* m_menus;
    std::unique_ptr<UserPrompts> m_ownPrompts;
    UserPrompts* m_prompts;
    SystemClock m_clock;
    // Each target's probes of this run, kept for the performance window's chart.
    RunMetrics m_metrics{m_clock};
    // Every probe kept across runs, for the uptime columns and the chart's longer ranges. Its
    // trouble is heard on its own thread and shown on the window's.
    HistoryRecorder m_history{m_clock, m_folders.Logs, [this](const std::string& trouble) {
                                  QMetaObject::invokeMethod(
                                      this, [this, trouble] { ShowHistoryTrouble(trouble); },
                                      Qt::QueuedConnection);
                              }};
    RunObservers m_observers{&m_metrics, &m_history};
    FormatSettings m_formatSettings;
    std::unique_ptr<ErrorSound> m_sound;
    std::unique_ptr<QtHostServices> m_host;
    std::unique_ptr<QtIntervalTimer> m_timer1;
    std::unique_ptr<QtIntervalTimer> m_timer2;
    std::unique_ptr<Monitor> m_monitor;
    VerdictWatch m_verdicts;
    AlertRelay m_alerts{m_clock, m_folders.Logs};
    DesktopNotices* m_notices = nullptr;
    std::unique_ptr<ConfigurationCommands> m_configuration;
    std::unique_ptr<LogCommands> m_logs;
    TrayIcon* m_tray;
    AlertPause* m_alertPause;
    HelpWindow* m_help = nullptr;
    // Both Start Test items: on once a configuration is loaded or edited and when a run
    // stops, off from a run's start.
    bool m_startEnabled = false;
    bool m_closed = false;
};

} // namespace velnorix
