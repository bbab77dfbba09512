#include "app/about_box.h"

#include "app/artwork.h"
#include "app/version_info.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <string>
#include <utility>

namespace velnorix {
namespace {

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QFont ArialPixels(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* PlacedLabel(QWidget* parent, const QString& text, const QFont& font, int top) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->move(0, top);
    label->adjustSize();
    return label;
}

void CentreOn(QLabel* label, int x) {
    label->adjustSize();
    label->move(x - label->width() / 2, label->y());
}

} // namespace

QUrl LinkUrl(const QString& hint) {
    // The shell forgave blanks around the address and after the scheme's colon.
    const QString text = hint.trimmed();
    const qsizetype colon = text.indexOf(u':');
    if (colon <= 0)
        return QUrl(text);
    return QUrl(text.left(colon + 1) + text.mid(colon + 1).trimmed());
}

LinkLabel::LinkLabel(const QString& caption, QString link, QWidget* parent)
    : QLabel(caption, parent), m_hint(std::move(link)) {
    QFont font = ArialPixels(11);
    font.setUnderline(true);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(palette);
    setCursor(Qt::PointingHandCursor);
    adjustSize();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked();
    QLabel::mouseReleaseEvent(event);
}

TAboutBox::TAboutBox(QWidget* parent, LinkOpener openLink)
    : QDialog(parent), m_openLink(std::move(openLink)) {
    if (!m_openLink)
        m_openLink = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(ApplicationIcon());
    setFixedSize(426, 286);

    Panel1 = new QFrame(this);
    Panel1->setGeometry(8, 8, 409, 233);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setGeometry(16, 32, 41, 41);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(ApplicationPixmap(82));

    Title = PlacedLabel(Panel1, QApplication::applicationDisplayName(), ArialPixels(11, true), 24);
    Version = PlacedLabel(Panel1, FromStd(VersionLine(kProgramVersion)), ArialPixels(12), 72);
    Build = PlacedLabel(Panel1, FromStd(BuildLine(kProgramVersion)), ArialPixels(12), 88);
    Copyright = PlacedLabel(Panel1, QStringLiteral("Copyright \u00a9 2006 Tessaly, Inc."),
                            ArialPixels(12), 112);
    Trademark = PlacedLabel(Panel1, QStringLiteral("Velnorix is a trademark of Tessaly, Inc."),
                            ArialPixels(12), 128);

    Logo = new QLabel(Panel1);
    Logo->setGeometry(8, 158, 57, 65);
    Logo->setPixmap(MakerLogo(QSize(57, 65)));

    CorporateName = PlacedLabel(Panel1, QStringLiteral("Tessaly, Inc."), ArialPixels(21), 156);
    Mail = new LinkLabel(QStringLiteral("Contact Tessaly, Inc."),
                         QStringLiteral("MailTo: contact@tessaly.example.com"), Panel1);
    Mail->move(0, 184);
    WebSite = new LinkLabel(QStringLiteral("Tessaly, Inc. Web Site"),
                            QStringLiteral("Http://www.tessaly.example.com"), Panel1);
    WebSite->move(0, 200);
    for (LinkLabel* link : {Mail, WebSite})
        connect(link, &LinkLabel::Clicked, this, [this, link] { LinkClick(*link); });

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(175, 252, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

bool TAboutBox::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

void TAboutBox::FormActivate() {
    QFont titleFont = Title->font();
    titleFont.setPointSize(TitleSize);
    Title->setFont(titleFont);
    QPalette palette = Title->palette();
    palette.setColor(QPalette::WindowText, TitleColor);
    Title->setPalette(palette);

    const int centreLine = (Panel1->width() - ProgramIcon->x() + ProgramIcon->width()) / 2;
    // Only the first activation trims the build line; later ones find it trimmed already.
    if (ThreePartBuild && !m_buildTrimmed) {
        Build->setText(FromStd(WithoutLastVersionPart(Build->text().toStdString())));
        m_buildTrimmed = true;
    }
    for (QLabel* label : {Title, Version, Build, Copyright, Trademark, CorporateName,
                          static_cast<QLabel*>(WebSite), static_cast<QLabel*>(Mail)})
        CentreOn(label, centreLine);
    PlaceBox();
}

void TAboutBox::PlaceBox() {
    const QSize box = frameGeometry().size();
    QRect area;
    if (CenterOnForm != nullptr)
        area = CenterOnForm->frameGeometry();
    else if (const QScreen* shown = screen())
        area = QRect(QPoint(0, 0), shown->geometry().size());
    move(area.left() + area.width() / 2 - box.width() / 2,
         area.top() + area.height() / 2 - box.height() / 2);
}

void TAboutBox::LinkClick(const LinkLabel& sender) {
    m_openLink(LinkUrl(sender.Hint()));
}

} // namespace velnorix
