#pragma once

#include <QLineEdit>
#include <QString>
#include <cstdint>
#include <optional>

namespace velnorix {

class UserPrompts;

// One of the configuration dialog's interval fields: two digits, centred, with limits that are
// checked when the operator leaves the field. A refused value is reported through the general
// error display and the focus comes back; Escape brings back the text from before the change.
class IntervalEdit final : public QLineEdit {
    Q_OBJECT

public:
    // The interval fields take exactly two digits, as they always have; a count or a time in
    // milliseconds takes as many as its maximum has.
    enum class Digits { ExactlyTwo, UpToMaximum };

    IntervalEdit(std::int32_t minimum, std::int32_t maximum, UserPrompts& prompts, QWidget* parent,
                 Digits digits = Digits::ExactlyTwo);

    // A value put in by the dialog; the two-digit rule applies only once the operator edits it.
    void ShowValue(std::int32_t value);
    // For a limit that follows the rest of the dialog, such as the number of targets.
    void SetMaximum(std::int32_t maximum);
    // The text read as a decimal integer; nothing when it is not one.
    [[nodiscard]] std::optional<std::int32_t> Value() const;
    // The operator left the field with a text it refused, and has not changed it since.
    [[nodiscard]] bool RefusesItsText() const { return m_refused; }
    // The message that refuses a number outside the limits, if the text is one.
    [[nodiscard]] std::optional<QString> RangeProblem() const;
    // The text's number; nothing, after telling the operator, when it is not one.
    [[nodiscard]] std::optional<std::int32_t> ReportedValue() const;
    // As ReportedValue, and refused as well, with the range message, outside the limits.
    [[nodiscard]] std::optional<std::int32_t> ReportedValueInRange() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The message that refuses the current text on leaving, if any.
    [[nodiscard]] std::optional<QString> LeaveProblem() const;
    void ReportRefusal(const QString& message);
    void LimitTypedDigits();

    std::int32_t m_minimum;
    std::int32_t m_maximum;
    Digits m_digits;
    UserPrompts& m_prompts;
    QString m_textBeforeChange;
    bool m_refused = false;
};

} // namespace velnorix
