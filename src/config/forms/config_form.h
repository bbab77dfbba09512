#pragma once

#include "config/forms/modal_runner.h"
#include "config/targets_and_options.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace velnorix {

class IntervalEdit;
class RadioGroup;
class UserPrompts;

// The configuration dialog: the target list with Add, Edit, Delete and Clear, the test
// interval, the log deletion option and how early an expiring certificate fails its probe. Its
// result is Accepted only through Done, after the interval and the list have been checked.
class TVelnorixConfigForm final : public QDialog {
    Q_OBJECT

public:
    // `runModal` shows the target editor that Add and Edit open.
    TVelnorixConfigForm(QWidget* parent, UserPrompts& prompts, ModalRunner runModal);

    void ShowSettings(const TargetsAndOptions& settings);
    // The list, the option and the interval as Done read it.
    [[nodiscard]] TargetsAndOptions Settings() const;

private:
    void AddButtonClick();
    void EditButtonClick();
    void DeleteButtonClick();
    void ClearButtonClick();
    void DoneButtonClick();

    UserPrompts& m_prompts;
    ModalRunner m_runModal;
    QListWidget* m_targets;
    QPushButton* m_addButton;
    QPushButton* m_editButton;
    QPushButton* m_deleteButton;
    QPushButton* m_clearButton;
    std::array<IntervalEdit*, 3> m_intervalEdits; // hours, minutes, seconds
    RadioGroup* m_rgDeleteLogs;
    QCheckBox* m_cbNotify;
    QSpinBox* m_certWarnDays;
    QPushButton* m_doneButton;
    QPushButton* m_cancelButton;
    std::array<std::int32_t, 3> m_interval{};
};

} // namespace velnorix
