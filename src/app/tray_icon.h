#pragma once

#include "app/desktop_notices.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace velnorix {

// The notification-area icon: it stays for the whole run of the program, takes the
// minimized main window, and gives it back on a double click or "&Restore". Where the
// desktop has no notification area the window minimizes as usual.
class TrayIcon final : public QObject, public DesktopNotices {
    Q_OBJECT

public:
    // `closeWindow` closes the main window through its normal closing steps.
    TrayIcon(QWidget& window, std::function<void()> closeWindow);

    // Whether minimizing hides the window here.
    [[nodiscard]] bool Available() const;
    // Hides the minimized window and its taskbar entry, leaving only the icon.
    void HideMinimizedWindow();
    // Shows the window as it was before it was hidden, in front.
    void RestoreWindow();
    void Remove();
    // A balloon from the icon; Qt routes it to the desktop's notification service.
    void Show(const ChangeNotice& notice) override;

    [[nodiscard]] QSystemTrayIcon& Icon() { return *m_icon; }
    [[nodiscard]] QMenu& Menu() { return *m_menu; }
    QAction* CloseItem;
    QAction* RestoreItem;

private:
    QWidget& m_window;
    QSystemTrayIcon* m_icon;
    QMenu* m_menu;
};

} // namespace velnorix
