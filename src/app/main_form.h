#pragma once

#include "app/pump_point_gate.h"
#include "base/text_format.h"
#include "engine/host.h"
#include "engine/run_model.h"
#include "probes/probe_interfaces.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velnorix {

class ConfigurationCommands;
class ErrorSound;
class HelpWindow;
class LogCommands;
class MainMenus;
class NetworkProbes;
class QtHostServices;
class QtIntervalTimer;
class StatusBarLine;
class TestScheduler;
class TextDisplay;
class TrayIcon;

// What the main window is started with. Tests replace the parts that reach outside the
// program: the dialogs and the network.
struct MainFormSetup {
    // The command-line parameters after the program's name.
    std::vector<std::string> Arguments;
    // Where bare configuration names, the run's logs and the help file are.
    std::string ProgramDirectory;
    // None: message boxes and file dialogs over the window.
    UserPrompts* Prompts = nullptr;
    // None: the network probes.
    std::optional<ProbeComponents> Probes;
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
    [[nodiscard]] TextDisplay& Display() { return *m_display; }
    [[nodiscard]] StatusBarLine& StatusBar1() { return *m_statusBar; }
    [[nodiscard]] MainMenus& Menus() { return *m_menus; }
    [[nodiscard]] QtIntervalTimer& Timer1() { return *m_timer1; }
    [[nodiscard]] QtIntervalTimer& Timer2() { return *m_timer2; }
    [[nodiscard]] TrayIcon& StTrayIcon1() { return *m_tray; }
    [[nodiscard]] UserPrompts& Prompts() { return *m_prompts; }
    [[nodiscard]] HostServices& Host();
    [[nodiscard]] HelpWindow* Help() { return m_help; }
    [[nodiscard]] const std::string& ProgramDirectory() const { return m_programDirectory; }

    // The menu commands.
    void New1Click();
    void Open1Click();
    void StartTest1Click();
    void StopTest1Click();
    void Exit1Click();
    void Summary1Click();
    void Log1Click();
    void SummaryLog1Click();
    void InactiveDetailLog1Click();
    void InactiveSummaryLog1Click();
    void DeleteLogFiles1Click();
    void Targets1Click();
    void Save2Click();
    void SaveAs2Click();
    void Contents1Click();
    void About1Click();

    // Both Start Test items follow StartEnabled: when the main menu changes and before the
    // context menu opens.
    void ApplyStartTestRule();
    // Sets the display font and the minimum window size for a screen of this width.
    void AdaptToScreenWidth(int screenWidth);
    // Recomputes how many lines the display keeps from its real height and font.
    void ElasticForm1AfterResize();
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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const std::vector<std::string>& arguments);
    void FormShow();
    void FormActivate();
    void FormClose();
    void ConnectMenuCommands();
    // Runs a command or a timer handler; whatever it throws goes to the general error display.
    void RunGuarded(const std::function<void()>& command);
    void RepaintAndPump();

    std::string m_programDirectory;
    PumpPointGate m_gate;
    RunModel m_model;
    TextDisplay* m_display;
    StatusBarLine* m_statusBar;
    MainMenus* m_menus;
    std::unique_ptr<UserPrompts> m_ownPrompts;
    UserPrompts* m_prompts;
    SystemClock m_clock;
    FormatSettings m_formatSettings;
    std::unique_ptr<ErrorSound> m_sound;
    std::unique_ptr<QtHostServices> m_host;
    std::unique_ptr<QtIntervalTimer> m_timer1;
    std::unique_ptr<QtIntervalTimer> m_timer2;
    std::unique_ptr<NetworkProbes> m_networkProbes;
    std::unique_ptr<TestScheduler> m_scheduler;
    std::unique_ptr<ConfigurationCommands> m_configuration;
    std::unique_ptr<LogCommands> m_logs;
    TrayIcon* m_tray;
    HelpWindow* m_help = nullptr;
    bool m_elasticActive = false;
    bool m_closed = false;
};

} // namespace velnorix
