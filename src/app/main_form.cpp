#include "app/main_form.h"

#include "app/alert_pause.h"
#include "app/artwork.h"
#include "app/error_sound.h"
#include "app/help_window.h"
#include "app/main_menus.h"
#include "app/qt_host_services.h"
#include "app/qt_interval_timer.h"
#include "app/qt_user_prompts.h"
#include "app/screen_adaptation.h"
#include "app/status_bar_line.h"
#include "app/text_display.h"
#include "app/tray_icon.h"
#include "base/text_file.h"
#include "config/configuration_commands.h"
#include "engine/display_header.h"
#include "engine/monitor.h"
#include "engine/network_probes.h"
#include "reports/forms/log_commands.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <exception>
#include <utility>

namespace velnorix {

namespace {

// Where the system gives the window no ICMP socket, its pings go through the console program
// beside it, which the package gives the raw-socket right.
NetworkProbeSettings WindowNetworkSettings() {
    NetworkProbeSettings settings;
    settings.EchoHelper = std::make_shared<EchoHelperConnection>(
        (QCoreApplication::applicationDirPath() + QStringLiteral("/velnorix-cli")).toStdString());
    return settings;
}

// Client area at first show: a display with room for 25 lines of its 13-pixel font (15
// pixels a line) above a 29-pixel status bar.
constexpr int kClientWidth = 662;
constexpr int kDisplayHeight = 385;
// The minimum track sizes are whole-window sizes: of a 670 x 460 window, frame, caption and
// menu bar take this much and leave a 662 x 414 client area.
constexpr QSize kTrackFrame(8, 46);

} // namespace

TMainForm::TMainForm(MainFormSetup setup)
    : m_folders(std::move(setup.Folders)), m_display(new TextDisplay(this)),
      m_statusBar(new StatusBarLine(this)),
      m_menus(new MainMenus(*menuBar(), this, [this] { RepaintAndPump(); })) {
    setWindowTitle(QStringLiteral("Velnorix"));
    setWindowIcon(ApplicationIcon());
    QFont windowFont(QStringLiteral("Arial"));
    windowFont.setPixelSize(15);
    setFont(windowFont);
    setCentralWidget(m_display);
    setStatusBar(m_statusBar);
    resize(kClientWidth, menuBar()->sizeHint().height() + kDisplayHeight + m_statusBar->height());
    // Inside the area the desktop's panels leave, so the status bar opens in sight.
    if (const QScreen* shownOn = screen()) {
        const OpeningPlace place =
            PlaceOnOpening(shownOn->geometry(), shownOn->availableGeometry(), size());
        move(place.FramePosition);
        resize(place.WindowSize);
    }

    if (setup.Prompts != nullptr) {
        m_prompts = setup.Prompts;
    } else {
        m_ownPrompts = std::make_unique<QtUserPrompts>(this);
        m_prompts = m_ownPrompts.get();
    }
    m_formatSettings = SystemFormatSettings();
    m_sound = std::make_unique<ErrorSound>(m_gate);
    m_host =
        setup.AlertSound
            ? std::make_unique<QtHostServices>(m_gate, std::move(setup.AlertSound), m_folders.Logs)
            : std::make_unique<QtHostServices>(m_gate, *m_sound, m_folders.Logs);
    m_timer1 = std::make_unique<QtIntervalTimer>(
        m_gate, [this] { RunGuarded([this] { m_monitor->Scheduler().OnIntervalElapsed(); }); });
    m_timer2 = std::make_unique<QtIntervalTimer>(m_gate, [this] {
        m_startEnabled = false;
        RunGuarded([this] { m_monitor->Scheduler().OnStartDelayElapsed(); });
    });
    m_timer2->SetInterval(kStartDelayMs);
    m_monitor =
        std::make_unique<Monitor>(SchedulerParts{.Model = m_model,
                                                 .Display = *m_display,
                                                 .StatusBar = *m_statusBar,
                                                 .CycleTimer = *m_timer1,
                                                 .StartTimer = *m_timer2,
                                                 .Clock = m_clock,
                                                 .Host = *m_host,
                                                 .Probes = setup.Probes,
                                                 .Format = m_formatSettings,
                                                 .Observer = &m_observers,
                                                 .CycleEnded = [this] { NotifyVerdictChanges(); },
                                                 .ParallelProbes = std::move(setup.ParallelProbes)},
                                  WindowNetworkSettings());
    m_configuration = std::make_unique<ConfigurationCommands>(m_model, *m_display, *m_statusBar,
                                                              *m_prompts, m_folders.Configurations);
    m_logs = std::make_unique<LogCommands>(this, m_model, *m_prompts, m_folders.Logs);
    m_tray = new TrayIcon(*this, [this] { close(); });
    m_notices = setup.Notices != nullptr ? setup.Notices : m_tray;
    m_menus->AddAlertItemsTo(m_tray->Menu());
    m_alertPause = new AlertPause(
        [this](bool paused, const QString& notice) { ApplyAlertPause(paused, notice); }, this);

    m_display->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_display, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { OpenPopupMenu(m_display->viewport()->mapToGlobal(at)); });
    ConnectMenuCommands();
    // The rule runs once the menu is built, so both Start Test items begin disabled.
    ApplyStartTestRule();
    FormCreate(setup.Arguments);
}

TMainForm::~TMainForm() = default;

void TMainForm::NotifyVerdictChanges() {
    // Watched even while notices are off, so switching them on never reports a stale change.
    const std::vector<VerdictChange> changes = m_verdicts.CycleEnded(m_model);
    // Taken at each cycle's end, so a loaded or edited configuration's channels are in force;
    // unchanged settings cost one comparison.
    m_alerts.Configure(m_model.Config, m_model.IniFileName);
    m_alerts.CycleEnded(m_model);
    if (!m_model.Config.Notify)
        return;
    for (const ChangeNotice& notice : NoticesFor(changes))
        m_notices->Show(notice);
}

void TMainForm::ShowHistoryTrouble(const std::string& trouble) {
    m_statusBar->ShowFailureReason("History: " + trouble);
}

void TMainForm::ApplyAlertPause(bool paused, const QString& notice) {
    // Not held for the cycle's end: the engine only marks its states and logs one line.
    RunGuarded([this, paused] { m_monitor->Scheduler().SetAlertsPaused(paused); });
    m_menus->SetAlertsPaused(paused);
    m_statusBar->ShowAlertPause(notice);
}

HostServices& TMainForm::Host() {
    return *m_host;
}

void TMainForm::FormCreate(const std::vector<std::string>& arguments) {
    m_display->Clear();
    m_model = RunModel{};
    m_timer1->SetEnabled(false);
    m_timer2->SetEnabled(false);
    m_startEnabled = false;

    RunGuarded([this, &arguments] {
        if (!m_configuration->LoadFromCommandLine(arguments))
            return;
        EnableStart();
        // One second from now the run starts by itself.
        m_timer2->SetEnabled(true);
    });
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormShow();
}

void TMainForm::FormShow() {
    if (const QScreen* shownOn = screen())
        AdaptToScreenWidth(shownOn->geometry().width());
}

void TMainForm::AdaptToScreenWidth(int screenWidth) {
    const std::optional<ScreenAdaptation> adaptation = AdaptationForScreenWidth(screenWidth);
    if (!adaptation)
        return;
    if (adaptation->DisplayFontPoints) {
        QFont font = m_display->font();
        font.setPointSize(*adaptation->DisplayFontPoints);
        m_display->setFont(font);
    }
    // The track sizes are of the whole window, whose frame, caption and menu bar took
    // kTrackFrame; here the menu bar is inside the window and the frame is the desktop's.
    setMinimumSize(adaptation->MinimumTrackWidth - kTrackFrame.width(),
                   adaptation->MinimumTrackHeight - kTrackFrame.height() + menuBar()->height());
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    } else if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        // Hiding inside the state change confuses some window managers: do it right after.
        QTimer::singleShot(0, m_tray, &TrayIcon::HideMinimizedWindow);
    }
}

void TMainForm::FormActivate() {
    repaint();
    // Inside a probe's wait the messages stay for the engine's next pump point.
    if (!m_gate.Blocked())
        QCoreApplication::processEvents();
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event) {
    OpenPopupMenu(event->globalPos());
}

void TMainForm::OpenPopupMenu(const QPoint& globalPosition) {
    m_menus->PopupMenu1->popup(globalPosition);
}

void TMainForm::ApplyStartTestRule() {
    m_menus->SetStartTestEnabled(m_startEnabled);
}

void TMainForm::EnableStart() {
    m_startEnabled = true;
    m_menus->SetStartTestEnabled(true);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (m_gate.Blocked()) {
        // A close during a probe waits for the engine's next pump point.
        event->ignore();
        HoldUntilCycleEnds("Exit", [this] { close(); });
        return;
    }
    if (!m_closed) {
        m_closed = true;
        // A cycle that let this close run at its pump point must not go on without the window.
        m_host->EndProgram();
        FormClose();
    }
    event->accept();
    Q_EMIT Closed();
}

void TMainForm::FormClose() {
    // Nothing may start probing once the window is gone.
    m_timer1->SetEnabled(false);
    m_timer2->SetEnabled(false);
    if (m_model.Config.DeleteLogs)
        DeleteRunLogs(m_model.LogNames());
    RunGuarded([this] { m_configuration->AskToSaveOnClose(); });
    if (m_help != nullptr)
        m_help->close();
    m_tray->Remove();
}

void TMainForm::HoldUntilCycleEnds(std::string_view name, std::function<void()> action) {
    if (m_gate.Blocked())
        m_statusBar->ShowHeldCommand(name);
    m_gate.Deliver([this, action = std::move(action)] {
        m_statusBar->ShowHeldCommand({});
        action();
    });
}

void TMainForm::RunGuarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        m_prompts->ShowGeneralError(error.what());
    } catch (...) {
        m_prompts->ShowGeneralError("Unexpected error");
    }
}

void TMainForm::RepaintAndPump() {
    repaint();
    // Inside a probe's wait the messages stay for the engine's next pump point.
    if (!m_gate.Blocked())
        m_host->PumpMessages();
}

} // namespace velnorix
