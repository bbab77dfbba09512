#include "config/forms/number_fields_box.h"

#include "config/configuration_file.h"
#include "config/forms/interval_edit.h"
#include "config/forms/named_widget.h"
#include "engine/host.h"

#include <QGridLayout>
#include <QLabel>
#include <algorithm>
#include <string>

namespace velnorix {

NumberFieldsBox::NumberFieldsBox(const QString& title, const std::vector<Field>& fields,
                                 UserPrompts& prompts, QWidget* parent, int columns)
    : QGroupBox(title, parent) {
    auto* grid = new QGridLayout(this);
    for (const Field& field : fields) {
        auto* edit = MakeNamed<IntervalEdit>(field.Name, field.Minimum, field.Maximum, prompts,
                                             this, IntervalEdit::Digits::UpToMaximum);
        // Room for the longest limit, 3,600,000.
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 12);
        auto* caption = new QLabel(field.Caption, this);
        caption->setBuddy(edit);
        const auto at = static_cast<int>(m_edits.size());
        const int row = at / columns;
        const int column = 3 * (at % columns); // caption, edit, a gap before the next pair
        grid->addWidget(caption, row, column);
        grid->addWidget(edit, row, column + 1);
        m_captions.push_back(caption);
        m_edits.push_back(edit);
    }
    for (int gap = 1; gap < columns; ++gap)
        grid->setColumnMinimumWidth(3 * gap - 1, 24);
    grid->setColumnStretch(3 * columns - 1, 1);
}

void NumberFieldsBox::ShowValues(const std::vector<std::int32_t>& values) {
    for (std::size_t i = 0; i < std::min(values.size(), m_edits.size()); ++i)
        m_edits[i]->ShowValue(values[i]);
}

std::optional<std::vector<std::int32_t>> NumberFieldsBox::TakeValues() const {
    // A field refused on leaving has told the operator already.
    if (std::any_of(m_edits.begin(), m_edits.end(),
                    [](const IntervalEdit* edit) { return edit->RefusesItsText(); }))
        return std::nullopt;
    std::vector<std::int32_t> values;
    for (const IntervalEdit* edit : m_edits) {
        const std::optional<std::int32_t> value = edit->ReportedValueInRange();
        if (!value)
            return std::nullopt;
        values.push_back(*value);
    }
    return values;
}

bool RefusedTimeout(UserPrompts& prompts, std::int32_t timeoutMs) {
    if (timeoutMs == 0 || (timeoutMs >= kMinTimeoutMs && timeoutMs <= kMaxTimeoutMs))
        return false;
    prompts.ShowErrorBox("Time-out is " + std::to_string(timeoutMs) + " ms; it must be 0 or from " +
                         std::to_string(kMinTimeoutMs) + " to " + std::to_string(kMaxTimeoutMs));
    return true;
}

void NumberFieldsBox::SetFieldVisible(std::size_t index, bool visible) {
    m_captions.at(index)->setVisible(visible);
    m_edits.at(index)->setVisible(visible);
}

} // namespace velnorix
