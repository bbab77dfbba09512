#pragma once

#include "config/target_entry_text.h"

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velnorix {

class NumberFieldsBox;
class RadioGroup;
class UserPrompts;
class WebChecksBox;

// The target editor: one target's type, address, credentials, alert flag, port, for the mail
// types the conversation's protection, and its state fields (the echo count and loss bound for
// ping targets only). Its result is Accepted only through Save, once the state fields are
// numbers within their limits and the parent is another target without a loop; the entry text
// is composed afterwards by ComposeEntry.
class TVelnorixTargetForm final : public QDialog {
    Q_OBJECT

public:
    TVelnorixTargetForm(QWidget* parent, UserPrompts& prompts);

    // A new target: a web site on port 80 with the alert on.
    void PrepareNew();
    // An existing target: its type (anything but the known tags shows as SMTP) and
    // protection, then its fields, whose port replaces the offered default.
    void PrepareEdit(const TargetEntryFields& fields, const TargetStateFields& state = {});
    // The edited target is number `number` (1-based) of a list whose targets have `parents`,
    // its own place included. Without it the target is alone in its list.
    void PlaceAmong(std::int32_t number, std::vector<std::int32_t> parents);
    // The entry text from the fields. A port that is not an integer is reported in an error
    // box and replaced by the default of the selected type and protection. The protection
    // counts only for the mail types.
    [[nodiscard]] std::string ComposeEntry() const;
    // The state fields as Save took them; a type other than ping has the echo defaults.
    [[nodiscard]] const TargetStateFields& StateFields() const { return m_state; }

private:
    void rgTestTypeClick(int position);
    void rgSecurityClick(int position);
    void ShowState(const TargetStateFields& state);
    void SaveButtonClick();
    // The parent's fault told to the operator; false when there is none.
    bool RefuseParent(std::int32_t parent);
    [[nodiscard]] TestType SelectedType() const;
    [[nodiscard]] TargetSecurity SelectedSecurity() const;

    UserPrompts& m_prompts;
    RadioGroup* m_rgTestType;
    QPushButton* m_saveButton;
    QPushButton* m_cancelButton;
    QPlainTextEdit* m_target;
    QLineEdit* m_edtUser;
    QLineEdit* m_edtPwd;
    // Shows the password in clear while checked; it starts hidden.
    QCheckBox* m_cbShowPwd;
    RadioGroup* m_rgAudible;
    QLineEdit* m_edtPort;
    RadioGroup* m_rgSecurity;
    NumberFieldsBox* m_stateBox;
    WebChecksBox* m_webChecks; // web, TCP and DNS targets only
    std::int32_t m_number = 1;
    std::vector<std::int32_t> m_parents{0};
    TargetStateFields m_state;
};

} // namespace velnorix
