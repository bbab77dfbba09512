#include "app/help_window.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace velnorix {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("Velnorix Help"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setModal(false);
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 560);
}

bool HelpWindow::ShowContents(const std::string& helpFile) {
    const QFileInfo file(
        QString::fromLocal8Bit(helpFile.data(), static_cast<qsizetype>(helpFile.size())));
    if (!file.isFile() || !file.isReadable())
        return false;
    m_browser->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    m_browser->scrollToAnchor(QStringLiteral("contents"));
    show();
    raise();
    activateWindow();
    return true;
}

} // namespace velnorix
