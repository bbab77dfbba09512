#pragma once

#include "config/target_entry_text.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velnorix {

class RadioGroup;
class UserPrompts;

// The target editor: one target's type, address, credentials, alert flag, port and, for the
// mail types, the conversation's protection. Its result
// is Accepted only through Save; the entry text is composed afterwards by ComposeEntry.
class TVelnorixTargetForm final : public QDialog {
    Q_OBJECT

public:
    TVelnorixTargetForm(QWidget* parent, UserPrompts& prompts);

    // A new target: a web site on port 80 with the alert on.
    void PrepareNew();
    // An existing target: its type (anything but the other three tags shows as SMTP) and
    // protection, then its fields, whose port replaces the offered default.
    void PrepareEdit(const TargetEntryFields& fields);
    // The entry text from the fields. A port that is not an integer is reported in an error
    // box and replaced by the default of the selected type and protection. The protection
    // counts only for the mail types.
    [[nodiscard]] std::string ComposeEntry() const;

private:
    void rgTestTypeClick(int position);
    void rgSecurityClick(int position);
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
};

} // namespace velnorix
