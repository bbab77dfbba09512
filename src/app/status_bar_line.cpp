#include "app/status_bar_line.h"

#include "config/forms/qt_text.h"

#include <QLabel>
#include <QPainter>
#include <chrono>

namespace velnorix {

std::array<std::string, 3> SplitStatusText(std::string_view text) {
    std::array<std::string, 3> parts;
    std::size_t part = 0;
    for (const char c : text) {
        if (c == '\t' && part < parts.size() - 1)
            ++part;
        else
            parts[part] += c;
    }
    return parts;
}

// Draws the three parts across the whole width, so the middle one is centred on the bar and
// a long text is never squeezed into a third of it.
class StatusTextPanel final : public QWidget {
public:
    explicit StatusTextPanel(QWidget* parent) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

    void SetParts(const std::array<QString, 3>& parts) {
        m_parts = parts;
        update();
    }
    [[nodiscard]] const std::array<QString, 3>& Parts() const { return m_parts; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = rect().adjusted(4, 0, -4, 0);
        const std::array<Qt::Alignment, 3> alignments = {Qt::AlignLeft, Qt::AlignHCenter,
                                                         Qt::AlignRight};
        for (std::size_t i = 0; i < m_parts.size(); ++i)
            painter.drawText(area, static_cast<int>(alignments[i] | Qt::AlignVCenter), m_parts[i]);
    }

private:
    std::array<QString, 3> m_parts;
};

namespace {

// Long enough to read a reason while the next target is already being probed.
constexpr std::chrono::seconds kReasonShownFor{6};
// The most of the bar's width the reason field takes, so the simple text keeps its room.
constexpr int kReasonFieldPixels = 320;

} // namespace

StatusBarLine::StatusBarLine(QWidget* parent)
    : QStatusBar(parent), m_panel(new StatusTextPanel(this)), m_reasonField(new QLabel(this)),
      m_heldField(new QLabel(this)), m_pauseField(new QLabel(this)) {
    setFixedHeight(29);
    addWidget(m_panel, 1);
    m_reasonField->setObjectName(QStringLiteral("FailureReason"));
    // A reason is the server's own text: it must never be read as markup.
    m_reasonField->setTextFormat(Qt::PlainText);
    m_reasonField->hide();
    addPermanentWidget(m_reasonField);
    m_heldField->setObjectName(QStringLiteral("HeldCommand"));
    m_heldField->hide();
    addPermanentWidget(m_heldField);
    m_pauseField->setObjectName(QStringLiteral("AlertPause"));
    m_pauseField->hide();
    addPermanentWidget(m_pauseField);
    m_reasonShown.setSingleShot(true);
    m_reasonShown.setInterval(kReasonShownFor);
    connect(&m_reasonShown, &QTimer::timeout, this, [this] {
        m_reasonField->clear();
        m_reasonField->setToolTip({});
        m_reasonField->hide();
    });
}

void StatusBarLine::SetText(std::string_view text) {
    m_text = std::string(text);
    const std::array<std::string, 3> parts = SplitStatusText(text);
    std::array<QString, 3> shown;
    for (std::size_t i = 0; i < parts.size(); ++i)
        shown[i] = QString::fromLocal8Bit(parts[i].data(), static_cast<qsizetype>(parts[i].size()));
    m_panel->SetParts(shown);
}

void StatusBarLine::ShowFailureReason(std::string_view reason) {
    const QString text =
        QString::fromLocal8Bit(reason.data(), static_cast<qsizetype>(reason.size()));
    m_reasonField->setText(
        m_reasonField->fontMetrics().elidedText(text, Qt::ElideRight, kReasonFieldPixels));
    m_reasonField->setToolTip(PlainToolTip(text));
    m_reasonField->show();
    m_reasonShown.start();
}

void StatusBarLine::ShowHeldCommand(std::string_view name) {
    m_heldField->setVisible(!name.empty());
    m_heldField->setText(name.empty()
                             ? QString()
                             : QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
                                   QStringLiteral(" requested: after this cycle"));
}

void StatusBarLine::ShowAlertPause(const QString& notice) {
    m_pauseField->setText(notice);
    m_pauseField->setVisible(!notice.isEmpty());
}

std::array<QString, 3> StatusBarLine::ShownParts() const {
    return m_panel->Parts();
}

QString StatusBarLine::ShownReason() const {
    return m_reasonField->toolTip();
}

} // namespace velnorix
