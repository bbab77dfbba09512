#pragma once

#include "config/target_entry_text.h"

#include <QGroupBox>

class QCheckBox;
class QFormLayout;
class QLineEdit;

namespace velnorix {

class RadioGroup;
class UserPrompts;

// What a target's probe checks, the rows its type uses shown: a web target's request (HEAD or
// GET), the status codes that succeed and the text its page must (or must not) hold; a TCP
// target's banner pattern; a DNS target's record type, name server and expected values.
class WebChecksBox final : public QGroupBox {
    Q_OBJECT

public:
    explicit WebChecksBox(QWidget* parent);

    void Show(const TargetStateFields& state);
    // Shows the rows of `type`, and whether the box is shown at all.
    void ShowFor(TestType type);
    // Puts the fields of `type` into `state`; false, after telling the operator, when the
    // status list, the expected values, the name server or the regular expression would be
    // refused by the configuration file.
    [[nodiscard]] bool Take(TargetStateFields& state, UserPrompts& prompts, TestType type) const;

private:
    RadioGroup* m_rgMethod;
    QLineEdit* m_edtExpect;
    QLineEdit* m_edtMatch;
    QCheckBox* m_cbMatchAbsent;
    RadioGroup* m_rgRecord;
    QLineEdit* m_edtServer;
    QFormLayout* m_form;
};

} // namespace velnorix
