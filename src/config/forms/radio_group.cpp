#include "config/forms/radio_group.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QRadioButton>

namespace velnorix {

RadioGroup::RadioGroup(const QString& caption, const QStringList& choices,
                       Qt::Orientation orientation, QWidget* parent)
    : QGroupBox(caption, parent), m_buttons(new QButtonGroup(this)) {
    auto* layout = new QBoxLayout(
        orientation == Qt::Horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, this);
    for (int position = 0; position < choices.size(); ++position) {
        auto* button = new QRadioButton(choices[position], this);
        m_buttons->addButton(button, position);
        layout->addWidget(button);
    }
    layout->addStretch();
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int position, bool checked) {
        if (checked)
            emit ItemIndexChanged(position);
    });
}

int RadioGroup::ItemIndex() const {
    return m_buttons->checkedId();
}

void RadioGroup::SetItemIndex(int position) {
    if (QAbstractButton* button = m_buttons->button(position))
        button->setChecked(true);
}

QAbstractButton* RadioGroup::Button(int position) const {
    return m_buttons->button(position);
}

int RadioGroup::Count() const {
    return static_cast<int>(m_buttons->buttons().size());
}

} // namespace velnorix
