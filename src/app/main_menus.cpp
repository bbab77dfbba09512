#include "app/main_menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <utility>

namespace velnorix {
namespace {

QMenu* AddPauseAlertsMenu(QMenu& menu) {
    return menu.addMenu(QStringLiteral("Pause Alerts"));
}

} // namespace

MainMenus::MainMenus(QMenuBar& bar, QWidget* owner, std::function<void()> repaintAndPump)
    : QObject(owner) {
    QMenu* file = bar.addMenu(QStringLiteral("File"));
    New1 = AddMainItem(file, QStringLiteral("New"));
    Open1 = AddMainItem(file, QStringLiteral("Open"));
    file->addSeparator();
    StartTest1 = AddMainItem(file, QStringLiteral("Start Test"));
    StopTest1 = AddMainItem(file, QStringLiteral("Stop Test"));
    file->addSeparator();
    PauseAlerts1 = AddPauseAlertsMenu(*file);
    PauseOneHour1 = AddMainItem(PauseAlerts1, QStringLiteral("For 1 Hour"));
    PauseEightHours1 = AddMainItem(PauseAlerts1, QStringLiteral("For 8 Hours"));
    PauseUntilResumed1 = AddMainItem(PauseAlerts1, QStringLiteral("Until Resumed"));
    ResumeAlerts1 = AddMainItem(file, QStringLiteral("Resume Alerts"));
    ResumeAlerts1->setEnabled(false);
    file->addSeparator();
    Exit1 = AddMainItem(file, QStringLiteral("Exit"));

    QMenu* view = bar.addMenu(QStringLiteral("View"));
    Summary1 = AddMainItem(view, QStringLiteral("Summary"));
    Log1 = AddMainItem(view, QStringLiteral("Detail Log"));
    SummaryLog1 = AddMainItem(view, QStringLiteral("Summary Log"));
    view->addSeparator();
    InactiveDetailLog1 = AddMainItem(view, QStringLiteral("Inactive Detail Log"));
    InactiveSummaryLog1 = AddMainItem(view, QStringLiteral("Inactive Summary Log"));
    view->addSeparator();
    DeleteLogFiles1 = AddMainItem(view, QStringLiteral("Delete Log Files"));

    QMenu* configure = bar.addMenu(QStringLiteral("Configure"));
    Targets1 = AddMainItem(configure, QStringLiteral("Targets/Options"));
    configure->addSeparator();
    Save1 = AddMainItem(configure, QStringLiteral("Save"));
    SaveAs1 = AddMainItem(configure, QStringLiteral("SaveAs"));

    QMenu* help = bar.addMenu(QStringLiteral("Help"));
    Contents1 = AddMainItem(help, QStringLiteral("Contents"));
    About1 = AddMainItem(help, QStringLiteral("About"));

    PopupMenu1 = new QMenu(owner);
    New2 = AddForwardingItem(QStringLiteral("New"), New1);
    Open2 = AddForwardingItem(QStringLiteral("Open"), Open1);
    PopupMenu1->addSeparator();
    StartTest2 = PopupMenu1->addAction(QStringLiteral("Start Test"));
    connect(StartTest2, &QAction::triggered, this,
            [this, repaintAndPump = std::move(repaintAndPump)] {
                repaintAndPump();
                PerformClick(StartTest1);
            });
    StopTest2 = AddForwardingItem(QStringLiteral("Stop Test"), StopTest1);
    PopupMenu1->addSeparator();
    Summary2 = AddForwardingItem(QStringLiteral("View: Summary"), Summary1);
    Log2 = AddForwardingItem(QStringLiteral("View: Detail Log"), Log1);
    SummaryLog2 = AddForwardingItem(QStringLiteral("View: Summary Log"), SummaryLog1);
    PopupMenu1->addSeparator();
    DeleteLogFiles2 = PopupMenu1->addAction(QStringLiteral("View: Delete Log Files"));
    // A running test is stopped before its files are deleted.
    connect(DeleteLogFiles2, &QAction::triggered, this, [this] {
        PerformClick(StopTest1);
        PerformClick(DeleteLogFiles1);
    });
    PopupMenu1->addSeparator();
    Targets2 = AddForwardingItem(QStringLiteral("Configure: Targets/Options"), Targets1);
    PopupMenu1->addSeparator();
    Save2 = AddForwardingItem(QStringLiteral("Configure: Save"), Save1);
    SaveAs2 = AddForwardingItem(QStringLiteral("Configure: SaveAs"), SaveAs1);
    PopupMenu1->addSeparator();
    Exit2 = AddForwardingItem(QStringLiteral("Exit"), Exit1);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &MainMenus::PopupMenu1Popup);
}

void MainMenus::PerformClick(QAction* item) {
    if (item->isEnabled())
        item->trigger();
}

void MainMenus::SetStartTestEnabled(bool enabled) {
    StartTest1->setEnabled(enabled);
    StartTest2->setEnabled(enabled);
}

void MainMenus::SetAlertsPaused(bool paused) {
    ResumeAlerts1->setEnabled(paused);
}

void MainMenus::AddAlertItemsTo(QMenu& menu) {
    menu.addSeparator();
    QMenu* pause = AddPauseAlertsMenu(menu);
    for (QAction* item : {PauseOneHour1, PauseEightHours1, PauseUntilResumed1})
        AddForwardingItem(*pause, item);
    QAction* resume = AddForwardingItem(menu, ResumeAlerts1);
    resume->setEnabled(ResumeAlerts1->isEnabled());
    connect(ResumeAlerts1, &QAction::changed, resume,
            [this, resume] { resume->setEnabled(ResumeAlerts1->isEnabled()); });
}

QAction* MainMenus::AddMainItem(QMenu* menu, const QString& caption) {
    QAction* item = menu->addAction(caption);
    connect(item, &QAction::changed, this, &MainMenus::MainMenu1Change);
    return item;
}

QAction* MainMenus::AddForwardingItem(const QString& caption, QAction* mainItem) {
    QAction* item = PopupMenu1->addAction(caption);
    connect(item, &QAction::triggered, this, [mainItem] { PerformClick(mainItem); });
    return item;
}

QAction* MainMenus::AddForwardingItem(QMenu& menu, QAction* mainItem) {
    QAction* item = menu.addAction(mainItem->text());
    connect(item, &QAction::triggered, mainItem, [mainItem] { PerformClick(mainItem); });
    return item;
}

} // namespace velnorix
