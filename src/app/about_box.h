#pragma once

#include <QColor>
#include <QDialog>
#include <QLabel>
#include <QUrl>
#include <functional>

class QFrame;
class QPushButton;

namespace velnorix {

// The platform address a link label's hint names: "MailTo: a@b" becomes mailto:a@b.
QUrl LinkUrl(const QString& hint);

// A label that opens its link when clicked; the link is kept, not shown as a tooltip.
class LinkLabel final : public QLabel {
    Q_OBJECT

public:
    LinkLabel(const QString& caption, QString link, QWidget* parent);

    [[nodiscard]] const QString& Hint() const { return m_hint; }

Q_SIGNALS:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_hint;
};

// Help > About: title, icon, version and build, the notices, the maker and its two links.
class TAboutBox final : public QDialog {
    Q_OBJECT

public:
    using LinkOpener = std::function<void(const QUrl&)>;

    explicit TAboutBox(QWidget* parent = nullptr, LinkOpener openLink = {});

    // Settings, taken on activation.
    int TitleSize = 24; // points
    QColor TitleColor = QColor(255, 0, 0);
    bool ThreePartBuild = true;
    QWidget* CenterOnForm = nullptr;

    // Lays the labels out on their centre line and places the box; runs on every activation.
    void FormActivate();

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* Title;
    QLabel* Version;
    QLabel* Build;
    QLabel* Copyright;
    QLabel* Trademark;
    QLabel* Logo;
    QLabel* CorporateName;
    LinkLabel* Mail;
    LinkLabel* WebSite;
    QPushButton* OKButton;

protected:
    bool event(QEvent* event) override;

private:
    void LinkClick(const LinkLabel& sender);
    void PlaceBox();

    LinkOpener m_openLink;
    bool m_buildTrimmed = false;
};

} // namespace velnorix
