#include "app/main_menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <utility>

namespace velnorix {

MainMenus::MainMenus(QMenuBar& bar, QWidget* owner, std::function<void()> repaintAndPump)
    : QObject(owner) {
    QMenu* file = bar.addMenu(QStringLiteral("File"));
    New1 = AddMainItem(file, QStringLiteral("New"));
    Open1 = AddMainItem(file, QStringLiteral("Open"));
    file->addSeparator();
    StartTest1 = AddMainItem(file, QStringLiteral("Start Test"));
    StopTest1 = AddMainItem(file, QStringLiteral("Stop Test"));
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

} // namespace velnorix
