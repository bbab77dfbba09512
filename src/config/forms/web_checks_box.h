#pragma once

#include "config/target_entry_text.h"

#include <QGroupBox>

class QCheckBox;
class QLineEdit;

namespace velnorix {

class RadioGroup;
class UserPrompts;

// A web target's request and checks: HEAD or GET, the status codes that succeed, and the text
// its page must (or must not) hold.
class WebChecksBox final : public QGroupBox {
    Q_OBJECT

public:
    explicit WebChecksBox(QWidget* parent);

    void Show(const TargetStateFields& state);
    // Puts the fields into `state`; false, after telling the operator, when the status list or
    // the regular expression would be refused by the configuration file.
    [[nodiscard]] bool Take(TargetStateFields& state, UserPrompts& prompts) const;

private:
    RadioGroup* m_rgMethod;
    QLineEdit* m_edtExpect;
    QLineEdit* m_edtMatch;
    QCheckBox* m_cbMatchAbsent;
};

} // namespace velnorix
