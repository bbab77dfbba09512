#include "app/tray_icon.h"

#include "app/artwork.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>
#include <string>
#include <utility>

namespace velnorix {
namespace {

// A notice carries a server's reply. Desktop notification services read markup in it, and so
// does Qt's own balloon once the text holds an escaped '<'; escaping shows the text as it came.
QString PlainNoticeText(const std::string& text) {
    const QString plain = QString::fromStdString(text);
    return plain.contains(QLatin1Char('<')) ? plain.toHtmlEscaped() : plain;
}

} // namespace

TrayIcon::TrayIcon(QWidget& window, std::function<void()> closeWindow)
    : QObject(&window), m_window(window), m_icon(new QSystemTrayIcon(ApplicationIcon(), this)),
      m_menu(new QMenu(&window)) {
    m_icon->setToolTip(QStringLiteral("Velnorix"));
    CloseItem = m_menu->addAction(QStringLiteral("&Close"));
    RestoreItem = m_menu->addAction(QStringLiteral("&Restore"));
    connect(CloseItem, &QAction::triggered, this,
            [closeWindow = std::move(closeWindow)] { closeWindow(); });
    connect(RestoreItem, &QAction::triggered, this, &TrayIcon::RestoreWindow);
    m_icon->setContextMenu(m_menu);
    // Single clicks do nothing; the platform reports only the left button's double click.
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    RestoreWindow();
            });
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_icon->show();
}

bool TrayIcon::Available() const {
    return m_icon->isVisible();
}

void TrayIcon::HideMinimizedWindow() {
    if (Available())
        m_window.hide();
}

void TrayIcon::RestoreWindow() {
    m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

void TrayIcon::Show(const ChangeNotice& notice) {
    m_icon->showMessage(PlainNoticeText(notice.Title), PlainNoticeText(notice.Message),
                        notice.Failure ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

void TrayIcon::Remove() {
    m_icon->hide();
}

} // namespace velnorix
