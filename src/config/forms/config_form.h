#pragma once

#include "config/forms/modal_runner.h"
#include "config/targets_and_options.h"

#include <QDialog>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace velnorix {

class IntervalEdit;
class NumberFieldsBox;
class RadioGroup;
class TestAlertButton;
class UserPrompts;

// The configuration dialog: the target list with Add, Edit, Delete and Clear, the test
// interval, the log deletion option, how early an expiring certificate fails its probe, how
// many probes of a cycle run at once, and when a target changes state and how often a failed
// probe is tried again; a button tries the alert channels. Its result is Accepted only through
// Done, after the interval, the state settings and the list have been checked.
class TVelnorixConfigForm final : public QDialog {
    Q_OBJECT

public:
    // `runModal` shows the target editor that Add and Edit open.
    TVelnorixConfigForm(QWidget* parent, UserPrompts& prompts, ModalRunner runModal);

    void ShowSettings(const Configuration& settings);
    // The configuration file's name, by which a relative CA file of the alerts is found.
    void SetIniFileName(std::string iniFileName);
    // The list, the option and the interval as Done read it.
    [[nodiscard]] Configuration Settings() const;

private:
    void AddButtonClick();
    void EditButtonClick();
    void DeleteButtonClick();
    void ClearButtonClick();
    void DoneButtonClick();
    // Each listed target's parent, in list order.
    [[nodiscard]] std::vector<std::int32_t> Parents() const;

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
    QSpinBox* m_keepLogDays;
    IntervalEdit* m_parallelEdit;
    NumberFieldsBox* m_stateOptions;
    TestAlertButton* m_testAlertButton;
    QPushButton* m_doneButton;
    QPushButton* m_cancelButton;
    std::array<std::int32_t, 3> m_interval{};
    std::int32_t m_parallel = 1;
    std::vector<std::int32_t> m_stateValues; // as Done took them, in the box's order
    // What the dialog was shown; the settings it has no control for go back unchanged.
    Configuration m_shown;
};

} // namespace velnorix
