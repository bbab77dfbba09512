#include "config/forms/target_form.h"

#include "config/configuration_file.h"
#include "config/forms/form_fonts.h"
#include "config/forms/interval_edit.h"
#include "config/forms/named_widget.h"
#include "config/forms/number_fields_box.h"
#include "config/forms/qt_text.h"
#include "config/forms/radio_group.h"
#include "config/forms/web_checks_box.h"
#include "config/parent_chain.h"
#include "config/target_security.h"
#include "engine/host.h"
#include "engine/run_model.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <utility>

namespace velnorix {
namespace {

// The test type group lists the types in the order of TestType.
static_assert(static_cast<int>(TestType::Html) == 0 && static_cast<int>(TestType::Ping) == 1 &&
              static_cast<int>(TestType::Pop3) == 2 && static_cast<int>(TestType::Smtp) == 3 &&
              static_cast<int>(TestType::Tcp) == 4 && static_cast<int>(TestType::Dns) == 5);
constexpr int kSmtpPosition = static_cast<int>(TestType::Smtp);
constexpr int kAudibleYes = 0;
constexpr int kAudibleNo = 1;
// The protection group lists the choices in the order of TargetSecurity.
static_assert(static_cast<int>(TargetSecurity::None) == 0 &&
              static_cast<int>(TargetSecurity::Tls) == 1 &&
              static_cast<int>(TargetSecurity::StartTls) == 2);

// The state box's rows, in the order of kStateMembers.
constexpr std::array<std::int32_t TargetStateFields::*, 5> kStateMembers{
    &TargetStateFields::SlowMs, &TargetStateFields::Parent, &TargetStateFields::Echoes,
    &TargetStateFields::LossPct, &TargetStateFields::TimeoutMs};
constexpr std::size_t kParentRow = 1;
constexpr std::size_t kEchoesRow = 2;
constexpr std::size_t kLossRow = 3;
constexpr std::size_t kTimeoutRow = 4;

std::vector<NumberFieldsBox::Field> StateRows() {
    return {
        {QStringLiteral("edtSlowMs"), QStringLiteral("Slow above (ms, 0 = the general setting)"), 0,
         kMaxSlowMs},
        {QStringLiteral("edtParent"), QStringLiteral("Reached through target (0 = none)"), 0, 1},
        {QStringLiteral("edtEchoes"), QStringLiteral("Echo requests"), 1, kMaxEchoes},
        {QStringLiteral("edtLossPct"), QStringLiteral("Failure above loss %"), 0, kMaxLossPct},
        {QStringLiteral("edtTimeoutMs"), QStringLiteral("Time-out (ms, 0 = the general setting)"),
         0, kMaxTimeoutMs}};
}

TestType TestTypeAt(int position) {
    if (position < 0 || position > static_cast<int>(TestType::Dns))
        return TestType::Unknown;
    return static_cast<TestType>(position);
}

int PositionOf(std::string_view tag) {
    const TestType type = TestTypeOf(tag);
    return type == TestType::Unknown ? kSmtpPosition : static_cast<int>(type);
}

} // namespace

TVelnorixTargetForm::TVelnorixTargetForm(QWidget* parent, UserPrompts& prompts)
    : QDialog(parent), m_prompts(prompts),
      m_rgTestType(MakeNamed<RadioGroup>(
          QStringLiteral("rgTestType"), QStringLiteral("Test Type"),
          QStringList{QStringLiteral("HTML (Web Site)"), QStringLiteral("Ping (Server)"),
                      QStringLiteral("POP3 (Inbound Email)"),
                      QStringLiteral("SMTP (Outbound Email)"), QStringLiteral("TCP (Port)"),
                      QStringLiteral("DNS (Name Lookup)")},
          Qt::Vertical, this)),
      m_saveButton(
          MakeNamed<QPushButton>(QStringLiteral("SaveButton"), QStringLiteral("Save"), this)),
      m_cancelButton(
          MakeNamed<QPushButton>(QStringLiteral("CancelButton"), QStringLiteral("Cancel"), this)),
      m_target(MakeNamed<QPlainTextEdit>(QStringLiteral("Target"), this)),
      m_edtUser(MakeNamed<QLineEdit>(QStringLiteral("edtUser"), this)),
      m_edtPwd(MakeNamed<QLineEdit>(QStringLiteral("edtPwd"), this)),
      m_cbShowPwd(MakeNamed<QCheckBox>(QStringLiteral("cbShowPwd"), QStringLiteral("Show"), this)),
      m_rgAudible(MakeNamed<RadioGroup>(
          QStringLiteral("rgAudible"), QStringLiteral("Audible Alert on Failure?"),
          QStringList{QStringLiteral("Yes"), QStringLiteral("No")}, Qt::Horizontal, this)),
      m_edtPort(MakeNamed<QLineEdit>(QStringLiteral("edtPort"), this)),
      m_rgSecurity(MakeNamed<RadioGroup>(
          QStringLiteral("rgSecurity"), QStringLiteral("Security (Email)"),
          QStringList{QStringLiteral("None"), QStringLiteral("TLS"), QStringLiteral("STARTTLS")},
          Qt::Horizontal, this)),
      m_stateBox(new NumberFieldsBox(QStringLiteral("State"), StateRows(), prompts, this, 2)),
      m_webChecks(new WebChecksBox(this)) {
    setWindowTitle(QStringLiteral("Velnorix Target "));
    setFont(FormFont());
    m_target->setFont(FixedPitchFont());
    m_target->setTabChangesFocus(true);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("User Name (Email)"), this), 0, 0);
    fields->addWidget(m_edtUser, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Password (Email)"), this), 1, 0);
    fields->addWidget(m_edtPwd, 1, 1);
    fields->addWidget(m_cbShowPwd, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Port"), this), 2, 0);
    fields->addWidget(m_edtPort, 2, 1);
    m_edtPwd->setEchoMode(QLineEdit::Password);
    fields->addWidget(m_rgSecurity, 3, 0, 1, 3);
    fields->addWidget(m_rgAudible, 4, 0, 1, 3);
    fields->setRowStretch(5, 1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_rgTestType);
    middle->addLayout(fields, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Target"), this));
    layout->addWidget(m_target, 1);
    layout->addLayout(middle);
    layout->addWidget(m_stateBox);
    layout->addWidget(m_webChecks);
    layout->addLayout(buttons);
    resize(601, 342 + m_stateBox->sizeHint().height() + m_webChecks->sizeHint().height());

    setTabOrder(m_rgTestType, m_saveButton);
    setTabOrder(m_saveButton, m_cancelButton);
    setTabOrder(m_cancelButton, m_target);
    setTabOrder(m_target, m_edtUser);
    setTabOrder(m_edtUser, m_edtPwd);
    setTabOrder(m_edtPwd, m_cbShowPwd);
    setTabOrder(m_cbShowPwd, m_rgAudible);
    setTabOrder(m_rgAudible, m_edtPort);
    setTabOrder(m_edtPort, m_rgSecurity);
    setTabOrder(m_rgSecurity, m_stateBox);
    setTabOrder(m_stateBox, m_webChecks);

    connect(m_rgTestType, &RadioGroup::ItemIndexChanged, this,
            &TVelnorixTargetForm::rgTestTypeClick);
    connect(m_rgSecurity, &RadioGroup::ItemIndexChanged, this,
            &TVelnorixTargetForm::rgSecurityClick);
    connect(m_cbShowPwd, &QCheckBox::toggled, this, [this](bool shown) {
        m_edtPwd->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(m_saveButton, &QPushButton::clicked, this, &TVelnorixTargetForm::SaveButtonClick);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TVelnorixTargetForm::PrepareNew() {
    m_rgSecurity->SetItemIndex(static_cast<int>(TargetSecurity::None));
    m_rgTestType->SetItemIndex(static_cast<int>(TestType::Html));
    m_target->clear();
    m_edtUser->clear();
    m_edtPwd->clear();
    m_cbShowPwd->setChecked(false);
    m_rgAudible->SetItemIndex(kAudibleYes);
    ShowState({});
}

void TVelnorixTargetForm::PrepareEdit(const TargetEntryFields& fields,
                                      const TargetStateFields& state) {
    m_rgSecurity->SetItemIndex(static_cast<int>(fields.Security));
    m_rgTestType->SetItemIndex(PositionOf(fields.Type));
    m_target->setPlainText(ToQString(fields.Addr));
    m_edtUser->setText(ToQString(fields.User));
    m_edtPwd->setText(ToQString(fields.Password));
    m_cbShowPwd->setChecked(false);
    m_rgAudible->SetItemIndex(fields.Audible ? kAudibleYes : kAudibleNo);
    m_edtPort->setText(QString::number(fields.Port));
    ShowState(state);
}

void TVelnorixTargetForm::ShowState(const TargetStateFields& state) {
    m_state = state;
    std::vector<std::int32_t> values;
    values.reserve(kStateMembers.size());
    for (const auto member : kStateMembers)
        values.push_back(state.*member);
    m_stateBox->ShowValues(values);
    m_webChecks->Show(state);
}

void TVelnorixTargetForm::PlaceAmong(std::int32_t number, std::vector<std::int32_t> parents) {
    m_number = number;
    m_parents = std::move(parents);
    m_stateBox->Edit(kParentRow).SetMaximum(static_cast<std::int32_t>(m_parents.size()));
}

void TVelnorixTargetForm::SaveButtonClick() {
    const std::optional<std::vector<std::int32_t>> values = m_stateBox->TakeValues();
    if (!values || RefuseParent(values->at(kParentRow)) ||
        RefusedTimeout(m_prompts, values->at(kTimeoutRow)))
        return;
    TargetStateFields state;
    // Only web, TCP and DNS probes check what they get; another type keeps the defaults.
    const TestType type = SelectedType();
    if ((type == TestType::Html || type == TestType::Tcp || type == TestType::Dns) &&
        !m_webChecks->Take(state, m_prompts, type))
        return;
    for (std::size_t row = 0; row < kStateMembers.size(); ++row)
        state.*kStateMembers.at(row) = values->at(row);
    // Only a ping sends echoes; another type keeps the defaults, which the file leaves out.
    if (SelectedType() != TestType::Ping) {
        state.Echoes = TargetStateFields{}.Echoes;
        state.LossPct = TargetStateFields{}.LossPct;
    }
    m_state = state;
    accept();
}

bool TVelnorixTargetForm::RefuseParent(std::int32_t parent) {
    std::vector<std::int32_t> parents = m_parents;
    parents.at(static_cast<std::size_t>(m_number - 1)) = parent;
    const ParentFault fault = FindParentFault(parents, m_number);
    if (fault == ParentFault::None)
        return false;
    m_prompts.ShowErrorBox("Target " + std::to_string(m_number) +
                           " is set to be reached through target " + std::to_string(parent) +
                           ParentFaultReason(fault, static_cast<std::int32_t>(parents.size())));
    return true;
}

std::string TVelnorixTargetForm::ComposeEntry() const {
    const TestType type = SelectedType();
    TargetEntryFields fields;
    fields.Type = std::string(TagOf(type));
    fields.Addr = ToBytes(m_target->toPlainText());
    fields.User = ToBytes(m_edtUser->text());
    fields.Password = ToBytes(m_edtPwd->text());
    fields.Audible = m_rgAudible->ItemIndex() == kAudibleYes;
    fields.Security = OffersSecurity(type) ? SelectedSecurity() : TargetSecurity::None;
    const std::optional<std::int32_t> port = ParsePortText(ToBytes(m_edtPort->text()));
    if (!port)
        m_prompts.ShowErrorBox("Port must be numeric.\rReturning to default.");
    fields.Port = port.value_or(DefaultPort(type, fields.Security));
    return FormatTargetEntry(fields);
}

// The type and the protection each offer the port they usually go with.
void TVelnorixTargetForm::rgTestTypeClick(int position) {
    const TestType type = TestTypeAt(position);
    m_rgSecurity->setEnabled(OffersSecurity(type));
    m_stateBox->SetFieldVisible(kEchoesRow, type == TestType::Ping);
    m_stateBox->SetFieldVisible(kLossRow, type == TestType::Ping);
    m_webChecks->ShowFor(type);
    m_edtPort->setText(QString::number(DefaultPort(type, SelectedSecurity())));
}

void TVelnorixTargetForm::rgSecurityClick(int position) {
    m_edtPort->setText(
        QString::number(DefaultPort(SelectedType(), static_cast<TargetSecurity>(position))));
}

TestType TVelnorixTargetForm::SelectedType() const {
    return TestTypeAt(m_rgTestType->ItemIndex());
}

TargetSecurity TVelnorixTargetForm::SelectedSecurity() const {
    const int position = m_rgSecurity->ItemIndex();
    return position < 0 ? TargetSecurity::None : static_cast<TargetSecurity>(position);
}

} // namespace velnorix
