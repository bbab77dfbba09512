#include "config/forms/interval_edit.h"

#include "config/forms/qt_text.h"
#include "engine/host.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace velnorix {
namespace {

bool HoldsTwoDigits(const QString& text) {
    return text.size() == 2 &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Leaving by keyboard or mouse is the operator's doing; focus that moves because a window
// opened, a popup appeared or the field itself was given the focus back is not.
bool OperatorLeft(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
}

} // namespace

IntervalEdit::IntervalEdit(std::int32_t minimum, std::int32_t maximum, UserPrompts& prompts,
                           QWidget* parent, Digits digits)
    : QLineEdit(parent), m_minimum(minimum), m_maximum(maximum), m_digits(digits),
      m_prompts(prompts) {
    setAlignment(Qt::AlignCenter);
    LimitTypedDigits();
    connect(this, &QLineEdit::textChanged, this, [this] { m_refused = false; });
}

void IntervalEdit::ShowValue(std::int32_t value) {
    setText(QString::number(value));
    m_textBeforeChange = text();
}

void IntervalEdit::SetMaximum(std::int32_t maximum) {
    m_maximum = maximum;
    LimitTypedDigits();
}

void IntervalEdit::LimitTypedDigits() {
    // Typed input only: a value put in by the dialog is shown whole, however long, so that an
    // odd interval from a configuration file is seen and not silently cut to two digits.
    const qsizetype mostDigits =
        m_digits == Digits::ExactlyTwo ? 2 : QString::number(std::max(m_maximum, 0)).size();
    delete validator();
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(mostDigits)), this));
}

std::optional<std::int32_t> IntervalEdit::Value() const {
    bool ok = false;
    const int value = text().trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

void IntervalEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        // Kept here even when nothing changed, so that a second Escape does not cancel the
        // whole dialog with its list.
        if (isModified())
            setText(m_textBeforeChange);
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        focusNextChild();
        event->accept();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void IntervalEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!OperatorLeft(event->reason()))
        return;
    const std::optional<QString> problem = LeaveProblem();
    m_refused = problem.has_value();
    if (problem) {
        // Shown after the focus change has finished: a modal box inside it would nest one
        // focus change in another.
        QMetaObject::invokeMethod(
            this, [this, message = *problem] { ReportRefusal(message); }, Qt::QueuedConnection);
        return;
    }
    m_textBeforeChange = text();
    setModified(false);
}

std::optional<QString> IntervalEdit::RangeProblem() const {
    const std::optional<std::int32_t> value = Value();
    if (value && (*value < m_minimum || *value > m_maximum))
        return QStringLiteral("Value %1 out of range %2..%3")
            .arg(text())
            .arg(m_minimum)
            .arg(m_maximum);
    return std::nullopt;
}

std::optional<std::int32_t> IntervalEdit::ReportedValue() const {
    const std::optional<std::int32_t> value = Value();
    if (!value)
        m_prompts.ShowGeneralError(
            ToBytes(QStringLiteral("'%1' is not a valid integer value").arg(text())));
    return value;
}

std::optional<std::int32_t> IntervalEdit::ReportedValueInRange() const {
    const std::optional<std::int32_t> value = ReportedValue();
    if (!value)
        return std::nullopt;
    if (const std::optional<QString> problem = RangeProblem()) {
        m_prompts.ShowGeneralError(ToBytes(*problem));
        return std::nullopt;
    }
    return value;
}

std::optional<QString> IntervalEdit::LeaveProblem() const {
    if (std::optional<QString> problem = RangeProblem())
        return problem;
    const bool digitsRight =
        m_digits == Digits::ExactlyTwo ? HoldsTwoDigits(text()) : Value().has_value();
    if (isModified() && !digitsRight)
        return QStringLiteral("Invalid input value.  Use escape key to abandon changes");
    return std::nullopt;
}

void IntervalEdit::ReportRefusal(const QString& message) {
    m_prompts.ShowGeneralError(ToBytes(message));
    setFocus(Qt::OtherFocusReason);
}

} // namespace velnorix
