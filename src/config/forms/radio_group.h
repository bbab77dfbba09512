#pragma once

#include <QGroupBox>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;

namespace velnorix {

// A captioned group of exclusive choices identified by their positions, starting with none
// selected. Selecting another choice, by click or by SetItemIndex, emits ItemIndexChanged;
// clicking the selected one does not.
class RadioGroup final : public QGroupBox {
    Q_OBJECT

public:
    RadioGroup(const QString& caption, const QStringList& choices, Qt::Orientation orientation,
               QWidget* parent);

    [[nodiscard]] int ItemIndex() const; // -1 when nothing is selected
    void SetItemIndex(int position);
    [[nodiscard]] QAbstractButton* Button(int position) const;
    [[nodiscard]] int Count() const;

signals:
    void ItemIndexChanged(int position);

private:
    QButtonGroup* m_buttons;
};

} // namespace velnorix
