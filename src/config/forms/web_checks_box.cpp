#include "config/forms/web_checks_box.h"

#include "config/configuration_file.h"
#include "config/forms/named_widget.h"
#include "config/forms/qt_text.h"
#include "config/forms/radio_group.h"
#include "engine/host.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>

namespace velnorix {
namespace {

// The method group lists the choices in the order of WebMethod.
static_assert(static_cast<int>(WebMethod::Head) == 0 && static_cast<int>(WebMethod::Get) == 1);

} // namespace

WebChecksBox::WebChecksBox(QWidget* parent)
    : QGroupBox(QStringLiteral("Checks (Web)"), parent),
      m_rgMethod(MakeNamed<RadioGroup>(QStringLiteral("rgMethod"), QStringLiteral("Request"),
                                       QStringList{QStringLiteral("HEAD"), QStringLiteral("GET")},
                                       Qt::Horizontal, this)),
      m_edtExpect(MakeNamed<QLineEdit>(QStringLiteral("edtExpect"), this)),
      m_edtMatch(MakeNamed<QLineEdit>(QStringLiteral("edtMatch"), this)),
      m_cbMatchAbsent(MakeNamed<QCheckBox>(QStringLiteral("cbMatchAbsent"),
                                           QStringLiteral("Fail when the text is found"), this)) {
    m_edtExpect->setPlaceholderText(QStringLiteral("200-299,301 (empty: 2xx without Location)"));
    m_edtMatch->setPlaceholderText(QStringLiteral("a regular expression; implies GET"));
    auto* form = new QFormLayout(this);
    form->addRow(m_rgMethod);
    form->addRow(QStringLiteral("Status codes"), m_edtExpect);
    form->addRow(QStringLiteral("Page text"), m_edtMatch);
    form->addRow(m_cbMatchAbsent);
}

void WebChecksBox::Show(const TargetStateFields& state) {
    m_rgMethod->SetItemIndex(static_cast<int>(state.Method));
    m_edtExpect->setText(ToQString(state.Expect));
    m_edtMatch->setText(ToQString(state.Match));
    m_cbMatchAbsent->setChecked(state.MatchAbsent);
}

bool WebChecksBox::Take(TargetStateFields& state, UserPrompts& prompts) const {
    const std::string expect = ToBytes(m_edtExpect->text().trimmed());
    const std::string match = ToBytes(m_edtMatch->text().trimmed());
    if (const auto fault = FindWebCheckFault(expect, match)) {
        const bool inExpect = fault->Field == WebCheckField::Expect;
        prompts.ShowErrorBox((inExpect ? "Status codes " + expect : "Page text " + match) + "; " +
                             fault->Why);
        return false;
    }
    state.Method = m_rgMethod->ItemIndex() == static_cast<int>(WebMethod::Get) ? WebMethod::Get
                                                                               : WebMethod::Head;
    state.Expect = expect;
    state.Match = match;
    state.MatchAbsent = m_cbMatchAbsent->isChecked();
    return true;
}

} // namespace velnorix
