#include "config/forms/web_checks_box.h"

#include "config/configuration_file.h"
#include "config/forms/named_widget.h"
#include "config/forms/qt_text.h"
#include "config/forms/radio_group.h"
#include "engine/host.h"
#include "probes/dns_question.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace velnorix {
namespace {

// The method group lists the choices in the order of WebMethod.
static_assert(static_cast<int>(WebMethod::Head) == 0 && static_cast<int>(WebMethod::Get) == 1);
// The record group lists the types in the order of DnsRecordType.
static_assert(static_cast<int>(DnsRecordType::A) == 0 && static_cast<int>(DnsRecordType::Ns) == 5);

QStringList RecordNames() {
    QStringList names;
    for (int i = 0; i <= static_cast<int>(DnsRecordType::Ns); ++i)
        names.append(ToQString(std::string(RecordTypeName(static_cast<DnsRecordType>(i)))));
    return names;
}

// Why a DNS target's values cannot be taken, or empty.
std::string DnsValuesFault(DnsRecordType record, const std::string& expect) {
    for (const std::string& value : ExpectedValues(expect)) {
        if (std::string fault = ExpectedValueFault(record, value); !fault.empty())
            return fault;
    }
    return {};
}

} // namespace

WebChecksBox::WebChecksBox(QWidget* parent)
    : QGroupBox(QStringLiteral("Checks (Web)"), parent),
      m_rgMethod(MakeNamed<RadioGroup>(QStringLiteral("rgMethod"), QStringLiteral("Request"),
                                       QStringList{QStringLiteral("HEAD"), QStringLiteral("GET")},
                                       Qt::Horizontal, this)),
      m_edtExpect(MakeNamed<QLineEdit>(QStringLiteral("edtExpect"), this)),
      m_edtMatch(MakeNamed<QLineEdit>(QStringLiteral("edtMatch"), this)),
      m_cbMatchAbsent(MakeNamed<QCheckBox>(QStringLiteral("cbMatchAbsent"),
                                           QStringLiteral("Fail when the text is found"), this)),
      m_rgRecord(MakeNamed<RadioGroup>(QStringLiteral("rgRecord"), QStringLiteral("Record"),
                                       RecordNames(), Qt::Horizontal, this)),
      m_edtServer(MakeNamed<QLineEdit>(QStringLiteral("edtServer"), this)),
      m_form(new QFormLayout(this)) {
    m_edtExpect->setPlaceholderText(QStringLiteral("200-299,301 (empty: 2xx without Location)"));
    m_edtMatch->setPlaceholderText(QStringLiteral("a regular expression; implies GET"));
    m_edtServer->setPlaceholderText(
        QStringLiteral("192.0.2.53 or [2001:db8::53]:5353 (empty: the system's)"));
    m_form->addRow(m_rgMethod);
    m_form->addRow(m_rgRecord);
    m_form->addRow(QStringLiteral("Name server"), m_edtServer);
    m_form->addRow(QStringLiteral("Status codes"), m_edtExpect);
    m_form->addRow(QStringLiteral("Page text"), m_edtMatch);
    m_form->addRow(m_cbMatchAbsent);
}

void WebChecksBox::ShowFor(TestType type) {
    const bool web = type == TestType::Html;
    const bool tcp = type == TestType::Tcp;
    const bool dns = type == TestType::Dns;
    setVisible(web || tcp || dns);
    setTitle(web   ? QStringLiteral("Checks (Web)")
             : tcp ? QStringLiteral("Checks (TCP)")
                   : QStringLiteral("Checks (DNS)"));
    m_form->setRowVisible(m_rgMethod, web);
    m_form->setRowVisible(m_rgRecord, dns);
    m_form->setRowVisible(m_edtServer, dns);
    m_form->setRowVisible(m_edtExpect, web || dns);
    m_form->setRowVisible(m_edtMatch, web || tcp);
    m_form->setRowVisible(m_cbMatchAbsent, web || tcp);
    if (auto* label = qobject_cast<QLabel*>(m_form->labelForField(m_edtExpect)))
        label->setText(dns ? QStringLiteral("Values (all in the answer)")
                           : QStringLiteral("Status codes"));
    if (auto* label = qobject_cast<QLabel*>(m_form->labelForField(m_edtMatch)))
        label->setText(tcp ? QStringLiteral("Banner") : QStringLiteral("Page text"));
    m_edtExpect->setPlaceholderText(
        dns ? QStringLiteral("10.0.0.1,10.0.0.2 (empty: any answer)")
            : QStringLiteral("200-299,301 (empty: 2xx without Location)"));
    m_edtMatch->setPlaceholderText(tcp ? QStringLiteral("a regular expression for the first line")
                                       : QStringLiteral("a regular expression; implies GET"));
}

void WebChecksBox::Show(const TargetStateFields& state) {
    m_rgMethod->SetItemIndex(static_cast<int>(state.Method));
    m_edtExpect->setText(ToQString(state.Expect));
    m_edtMatch->setText(ToQString(state.Match));
    m_cbMatchAbsent->setChecked(state.MatchAbsent);
    m_rgRecord->SetItemIndex(static_cast<int>(state.Record));
    m_edtServer->setText(ToQString(state.Server));
}

bool WebChecksBox::Take(TargetStateFields& state, UserPrompts& prompts, TestType type) const {
    const std::string expect =
        type == TestType::Tcp ? std::string() : ToBytes(m_edtExpect->text().trimmed());
    const std::string match =
        type == TestType::Dns ? std::string() : ToBytes(m_edtMatch->text().trimmed());
    const auto record = static_cast<DnsRecordType>(std::max(m_rgRecord->ItemIndex(), 0));
    const std::string server = ToBytes(m_edtServer->text().trimmed());
    if (type == TestType::Dns) {
        if (const std::string fault = DnsValuesFault(record, expect); !fault.empty()) {
            prompts.ShowErrorBox("Values " + expect + ": " + fault);
            return false;
        }
        if (!NameServerOf(server)) {
            prompts.ShowErrorBox("Name server " + server +
                                 " must be an IPv4 or IPv6 address, with :port or not");
            return false;
        }
        state.Record = record;
        state.Server = server;
    }
    // Only a web target's values are status codes.
    if (const auto fault = FindWebCheckFault(type == TestType::Html ? expect : "", match)) {
        const bool inExpect = fault->Field == WebCheckField::Expect;
        const std::string what = type == TestType::Tcp ? "Banner " : "Page text ";
        prompts.ShowErrorBox((inExpect ? "Status codes " + expect : what + match) + "; " +
                             fault->Why);
        return false;
    }
    if (type == TestType::Html)
        state.Method = m_rgMethod->ItemIndex() == static_cast<int>(WebMethod::Get)
                           ? WebMethod::Get
                           : WebMethod::Head;
    state.Expect = expect;
    state.Match = match;
    state.MatchAbsent = m_cbMatchAbsent->isChecked();
    return true;
}

} // namespace velnorix
