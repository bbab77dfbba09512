#pragma once

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace velnorix {

// The main window's menu bar and context menu. Items keep their inherited names; each says its
// caption. Each context item performs the click of its main item, so a disabled main item makes
// its context twin do nothing as well.
class MainMenus final : public QObject {
    Q_OBJECT

public:
    // `repaintAndPump` runs before the context menu's Start Test, so the window is drawn
    // before a long first cycle begins.
    MainMenus(QMenuBar& bar, QWidget* owner, std::function<void()> repaintAndPump);

    // Performs an item's click: nothing happens while the item is disabled.
    static void PerformClick(QAction* item);
    // Both Start Test items follow `enabled`; besides them only Resume Alerts is ever disabled.
    void SetStartTestEnabled(bool enabled);
    // Resume Alerts, and its twin in any menu given AddAlertItemsTo, is enabled only while paused.
    void SetAlertsPaused(bool paused);
    // Puts the Pause Alerts submenu and Resume Alerts at the end of `menu` (the tray icon's),
    // each item performing the click of its File item.
    void AddAlertItemsTo(QMenu& menu);

    // File
    QAction* New1;               // File > New
    QAction* Open1;              // File > Open
    QAction* StartTest1;         // File > Start Test
    QAction* StopTest1;          // File > Stop Test
    QMenu* PauseAlerts1;         // File > Pause Alerts, a submenu of:
    QAction* PauseOneHour1;      //   For 1 Hour
    QAction* PauseEightHours1;   //   For 8 Hours
    QAction* PauseUntilResumed1; //   Until Resumed
    QAction* ResumeAlerts1;      // File > Resume Alerts
    QAction* Exit1;              // File > Exit
    // View
    QAction* Summary1;            // View > Summary (the performance window)
    QAction* Log1;                // View > Detail Log
    QAction* SummaryLog1;         // View > Summary Log
    QAction* InactiveDetailLog1;  // View > Inactive Detail Log (an earlier run's)
    QAction* InactiveSummaryLog1; // View > Inactive Summary Log (an earlier run's)
    QAction* DeleteLogFiles1;     // View > Delete Log Files
    // Configure
    QAction* Targets1; // Configure > Targets/Options
    QAction* Save1;    // Configure > Save
    QAction* SaveAs1;  // Configure > SaveAs
    // Help
    QAction* Contents1; // Help > Contents
    QAction* About1;    // Help > About

    QMenu* PopupMenu1; // the main window's context menu; its items perform the main items' clicks:
    QAction* New2;     // New
    QAction* Open2;    // Open
    QAction* StartTest2;      // Start Test (draws the window first)
    QAction* StopTest2;       // Stop Test
    QAction* Summary2;        // View: Summary
    QAction* Log2;            // View: Detail Log
    QAction* SummaryLog2;     // View: Summary Log
    QAction* DeleteLogFiles2; // View: Delete Log Files (stops a running test first)
    QAction* Targets2;        // Configure: Targets/Options
    QAction* Save2;           // Configure: Save
    QAction* SaveAs2;         // Configure: SaveAs
    QAction* Exit2;           // Exit

Q_SIGNALS:
    // MainMenu1Change: an item of the main menu changed (its enabled state, for one).
    void MainMenu1Change();
    // PopupMenu1Popup: the context menu is about to open.
    void PopupMenu1Popup();

private:
    QAction* AddMainItem(QMenu* menu, const QString& caption);
    QAction* AddForwardingItem(const QString& caption, QAction* mainItem);
    static QAction* AddForwardingItem(QMenu& menu, QAction* mainItem);
};

} // namespace velnorix
