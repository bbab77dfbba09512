#pragma once

#include <QGroupBox>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class QLabel;

namespace velnorix {

class IntervalEdit;
class UserPrompts;

// A titled group of number fields, each with its caption and limits, laid out row by row in
// `columns` columns. Each is checked as the configuration dialog's interval fields are: on
// leaving it, and again when taken.
class NumberFieldsBox final : public QGroupBox {
    Q_OBJECT

public:
    struct Field {
        QString Name; // the edit's designer name, by which tests find it
        QString Caption;
        std::int32_t Minimum;
        std::int32_t Maximum;
    };

    NumberFieldsBox(const QString& title, const std::vector<Field>& fields, UserPrompts& prompts,
                    QWidget* parent, int columns = 1);

    // One value a field, in the order the fields were given.
    void ShowValues(const std::vector<std::int32_t>& values);
    // The fields' numbers; nothing when a field still refuses its text or, after telling the
    // operator, at the first that is no number within its limits.
    [[nodiscard]] std::optional<std::vector<std::int32_t>> TakeValues() const;
    [[nodiscard]] IntervalEdit& Edit(std::size_t index) const { return *m_edits.at(index); }
    // Shows or hides a field with its caption.
    void SetFieldVisible(std::size_t index, bool visible);

private:
    std::vector<QLabel*> m_captions;
    std::vector<IntervalEdit*> m_edits;
};

// A time-out field takes 0 (none) or kMinTimeoutMs to kMaxTimeoutMs, as the file does; for any
// other value the operator is told and the answer is true.
bool RefusedTimeout(UserPrompts& prompts, std::int32_t timeoutMs);

} // namespace velnorix
