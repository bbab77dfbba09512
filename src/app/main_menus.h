#pragma once

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace velnorix {

// The main window's menu bar and context menu. Items have fixed names (Open1 in the menu bar,
// Open2 its context twin) that the shell and its tests reach them by. Each context item
// performs the click of its main item, so a disabled main item makes its context twin do
// nothing as well.
class MainMenus final : public QObject {
    Q_OBJECT

public:
    // `repaintAndPump` runs before the context menu's Start Test, so the window is drawn
    // before a long first cycle begins.
    MainMenus(QMenuBar& bar, QWidget* owner, std::function<void()> repaintAndPump);

    // Performs an item's click: nothing happens while the item is disabled.
    static void PerformClick(QAction* item);
    // Both Start Test items follow `enabled`; no other item is ever disabled.
    void SetStartTestEnabled(bool enabled);

    // File
    QAction* New1;
    QAction* Open1;
    QAction* StartTest1;
    QAction* StopTest1;
    QAction* Exit1;
    // View
    QAction* Summary1;
    QAction* Log1;
    QAction* SummaryLog1;
    QAction* InactiveDetailLog1;
    QAction* InactiveSummaryLog1;
    QAction* DeleteLogFiles1;
    // Configure
    QAction* Targets1;
    QAction* Save2;
    QAction* SaveAs2;
    // Help
    QAction* Contents1;
    QAction* About1;

    QMenu* PopupMenu1;
    QAction* New2;
    QAction* Open2;
    QAction* StartTest2;
    QAction* StopTest2;
    QAction* Summary;
    QAction* Log;
    QAction* ViewSummaryLog1;
    QAction* ViewDeleteLogFiles1;
    QAction* Targets2;
    QAction* Save3;
    QAction* SaveAs1;
    QAction* Exit2;

Q_SIGNALS:
    // An item of the main menu changed (its enabled state, for one).
    void MainMenu1Change();
    // The context menu is about to open.
    void PopupMenu1Popup();

private:
    QAction* AddMainItem(QMenu* menu, const QString& caption);
    QAction* AddForwardingItem(const QString& caption, QAction* mainItem);
};

} // namespace velnorix
