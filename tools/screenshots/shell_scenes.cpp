#include "app/about_box.h"
#include "app/main_form.h"
#include "app/main_menus.h"
#include "app/status_bar_line.h"
#include "app/text_display.h"
#include "base/text_file.h"
#include "config/forms/config_form.h"
#include "config/targets_and_options.h"
#include "gui_waits.h"
#include "kit/scripted_prompts.h"
#include "scene.h"
#include "scripted_probes.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <atomic>
#include <memory>
#include <thread>

namespace velnorix::screenshots {
namespace {

// Five targets tested every second; the web site and one mail server are down.
constexpr const char* kConfiguration = "[Targets]\r\n"
                                       "DeleteLogs=TRUE\r\n"
                                       "IntervalHours=0\r\n"
                                       "IntervalMins=0\r\n"
                                       "IntervalSecs=1\r\n"
                                       "Count=5\r\n"
                                       "01Type=<Ping>\r\n01Addr=127.0.0.1\r\n01Audible=TRUE\r\n"
                                       "01Port=0\r\n"
                                       "02Type=<HTML>\r\n02Addr=http://127.0.0.1:8080/\r\n"
                                       "02Audible=FALSE\r\n02Port=8080\r\n"
                                       "03Type=<SMTP>\r\n03Addr=127.0.0.1\r\n03Audible=FALSE\r\n"
                                       "03Port=2525\r\n"
                                       "04Type=<POP3>\r\n04Addr=mail.example.org\r\n"
                                       "04User=demo\r\n04Audible=TRUE\r\n04Port=1110\r\n"
                                       "05Type=<Ping>\r\n05Addr=192.0.2.10\r\n05Audible=FALSE\r\n"
                                       "05Port=0\r\n";

// Probes take a few hundredths of a second, so the result lines show times.
void TakeAWhile() {
    static std::atomic<int> call{0};
    std::this_thread::sleep_for(std::chrono::milliseconds(12 + (call++ * 37) % 70));
}

// A main window that has run a few cycles over scripted probes.
class RunningWindow final {
public:
    RunningWindow() {
        WriteNewFile(m_dir.File("watch.ini"), kConfiguration);
        m_probes.SetDown("http://127.0.0.1:8080/");
        m_probes.SetDown("mail.example.org");
        m_probes.DuringProbe(TakeAWhile);
        MainFormSetup setup;
        setup.Arguments = {"watch.ini"};
        setup.Folders = FoldersBeside(m_dir.Path());
        setup.Prompts = &m_prompts;
        setup.Probes.emplace(m_probes.Components());
        m_form = std::make_unique<TMainForm>(std::move(setup));
        m_form->show();
        kit::WaitUntil([this] { return m_form->Model().CycleCount >= 3; });
    }

    TMainForm& Form() { return *m_form; }
    kit::ScriptedProbes& Probes() { return m_probes; }

private:
    kit::TempDir m_dir;
    kit::ScriptedPrompts m_prompts;
    kit::ScriptedProbes m_probes;
    std::unique_ptr<TMainForm> m_form;
};

// The window as it looks while the next cycle's probe of the web site waits.
QImage MainWindowDuringARun() {
    RunningWindow window;
    TMainForm& form = window.Form();
    QImage shot;
    std::atomic<bool> taken{false};
    window.Probes().DuringProbe([&] {
        TakeAWhile();
        if (taken)
            return;
        QMetaObject::invokeMethod(
            &form,
            [&] {
                if (form.StatusBar1().Text().find("8080") == std::string::npos)
                    return;
                shot = Grab(form);
                taken = true;
            },
            Qt::BlockingQueuedConnection);
    });
    kit::WaitUntil([&taken] { return taken.load(); });
    window.Probes().DuringProbe(TakeAWhile);
    return shot;
}

QImage ContextMenuOpen() {
    RunningWindow window;
    TMainForm& form = window.Form();
    form.StopTest1Click();
    form.OpenPopupMenu(form.mapToGlobal(QPoint(260, 140)));
    QMenu& menu = *form.Menus().PopupMenu1;
    menu.setActiveAction(form.Menus().Summary2);
    QApplication::processEvents();
    const QImage shot = Grab(form, &menu);
    menu.close();
    return shot;
}

// The mouse resting on the newest failure of the web site, with its reason as the tooltip.
QImage FailureReasonTooltip() {
    RunningWindow window;
    TMainForm& form = window.Form();
    form.StopTest1Click();
    TextDisplay& display = form.Display();
    int line = 0;
    while (line < display.Count() && (display.Line(line).find("Failure:") == std::string::npos ||
                                      display.Line(line).find("8080") == std::string::npos))
        ++line;
    kit::RestMouseOnLine(display, line);
    QWidget* tip = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible())
            tip = widget;
    return Grab(form, tip);
}

QImage AboutBoxShown() {
    RunningWindow window;
    TAboutBox box(&window.Form());
    box.CenterOnForm = &window.Form();
    box.show();
    box.FormActivate();
    QApplication::processEvents();
    return Grab(box);
}

// The options dialog over the running window, with notifications switched on.
QImage OptionsWithNotifications() {
    RunningWindow window;
    TMainForm& form = window.Form();
    form.StopTest1Click();
    Configuration settings = form.Model().Config;
    settings.Notify = true;
    TVelnorixConfigForm dialog(&form, form.Prompts(), ExecModal);
    dialog.ShowSettings(settings);
    dialog.show();
    QApplication::processEvents();
    return Grab(dialog);
}

} // namespace

std::vector<Scene> ShellScenes() {
    return {
        {"main-window-run", MainWindowDuringARun},    {"context-menu", ContextMenuOpen},
        {"failure-tooltip", FailureReasonTooltip},    {"about-box", AboutBoxShown},
        {"options-notify", OptionsWithNotifications},
    };
}

} // namespace velnorix::screenshots
