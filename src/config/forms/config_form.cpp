#include "config/forms/config_form.h"

#include "config/configuration_file.h"
#include "config/forms/form_fonts.h"
#include "config/forms/interval_edit.h"
#include "config/forms/named_widget.h"
#include "config/forms/number_fields_box.h"
#include "config/forms/qt_text.h"
#include "config/forms/radio_group.h"
#include "config/forms/target_form.h"
#include "config/forms/test_alert_button.h"
#include "engine/host.h"
#include "engine/run_model.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace velnorix {
namespace {

constexpr int kDeleteLogsYes = 0;
constexpr int kDeleteLogsNo = 1;
// Beyond the lifetime of any certificate; a larger value from the file shows as this.
constexpr int kMaxCertWarnDays = 9999;
constexpr int kMaxKeepLogDays = 9999;

// Each entry's bytes travel beside its shown text, so an entry that is not edited goes back to
// the model exactly as it came, even when its bytes are not valid in the system's encoding.
constexpr int kEntryBytesRole = Qt::UserRole;
// What the entry's text does not show travels beside it as well.
constexpr int kStateFieldsRole = Qt::UserRole + 1;

void SetEntry(QListWidgetItem& item, const std::string& entry, const TargetStateFields& state) {
    item.setText(ToQString(EntryShownInList(entry)));
    item.setData(kEntryBytesRole, QByteArray::fromStdString(entry));
    item.setData(kStateFieldsRole, QVariant::fromValue(state));
}

std::string EntryOf(const QListWidgetItem& item) {
    return item.data(kEntryBytesRole).toByteArray().toStdString();
}

TargetStateFields StateOf(const QListWidgetItem& item) {
    return item.data(kStateFieldsRole).value<TargetStateFields>();
}

void AppendEntry(QListWidget& list, const std::string& entry, const TargetStateFields& state) {
    SetEntry(*new QListWidgetItem(&list), entry, state);
}

// The state box's rows, in the order of kStateSettings.
constexpr std::array<std::int32_t Configuration::*, 6> kStateSettings{
    &Configuration::FailAfter, &Configuration::RecoverAfter, &Configuration::SlowMs,
    &Configuration::Retries,   &Configuration::RetryDelayMs, &Configuration::TimeoutMs};

std::vector<NumberFieldsBox::Field> StateRows() {
    return {
        {QStringLiteral("FailAfterEdit"), QStringLiteral("Down after N failed cycles"), 1,
         kMaxConfirmations},
        {QStringLiteral("RecoverAfterEdit"), QStringLiteral("Up after N good cycles"), 1,
         kMaxConfirmations},
        {QStringLiteral("SlowMsEdit"), QStringLiteral("Slow above (ms, 0 = off)"), 0, kMaxSlowMs},
        {QStringLiteral("RetriesEdit"), QStringLiteral("Retries per cycle"), 0, kMaxRetries},
        {QStringLiteral("RetryDelayMsEdit"), QStringLiteral("Retry delay (ms)"), kMinRetryDelayMs,
         kMaxRetryDelayMs},
        {QStringLiteral("TimeoutMsEdit"), QStringLiteral("Time-out (ms, 0 = the probes' own)"), 0,
         kMaxTimeoutMs}};
}

// After deleting the targets of `deleted` (1-based, ascending), a parent names the same target
// by its new number; one whose parent went is reached directly.
std::int32_t RenumberedParent(std::int32_t parent, const std::vector<std::int32_t>& deleted) {
    if (std::binary_search(deleted.begin(), deleted.end(), parent))
        return 0;
    return parent - static_cast<std::int32_t>(
                        std::lower_bound(deleted.begin(), deleted.end(), parent) - deleted.begin());
}

QLabel* CentredLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

TVelnorixConfigForm::TVelnorixConfigForm(QWidget* parent, UserPrompts& prompts,
                                         ModalRunner runModal)
    : QDialog(parent), m_prompts(prompts), m_runModal(std::move(runModal)),
      m_targets(MakeNamed<QListWidget>(QStringLiteral("Targets"), this)),
      m_addButton(MakeNamed<QPushButton>(QStringLiteral("AddButton"), QStringLiteral("Add"), this)),
      m_editButton(
          MakeNamed<QPushButton>(QStringLiteral("EditButton"), QStringLiteral("Edit"), this)),
      m_deleteButton(
          MakeNamed<QPushButton>(QStringLiteral("DeleteButton"), QStringLiteral("Delete"), this)),
      m_clearButton(
          MakeNamed<QPushButton>(QStringLiteral("ClearButton"), QStringLiteral("Clear"), this)),
      m_intervalEdits{MakeNamed<IntervalEdit>(QStringLiteral("HrsEdit"), 0, 24, prompts, this),
                      MakeNamed<IntervalEdit>(QStringLiteral("MinEdit"), 0, 60, prompts, this),
                      MakeNamed<IntervalEdit>(QStringLiteral("SecEdit"), 0, 60, prompts, this)},
      m_rgDeleteLogs(MakeNamed<RadioGroup>(
          QStringLiteral("rgDeleteLogs"), QStringLiteral("Delete Logs When Terminating?"),
          QStringList{QStringLiteral("Yes"), QStringLiteral("No")}, Qt::Horizontal, this)),
      m_cbNotify(MakeNamed<QCheckBox>(QStringLiteral("cbNotify"),
                                      QStringLiteral("Notify When a Target Changes State"), this)),
      m_certWarnDays(MakeNamed<QSpinBox>(QStringLiteral("CertWarnDaysEdit"), this)),
      m_keepLogDays(MakeNamed<QSpinBox>(QStringLiteral("KeepLogDaysEdit"), this)),
      m_parallelEdit(MakeNamed<IntervalEdit>(QStringLiteral("ParallelEdit"), 1, kMaxParallelProbes,
                                             prompts, this, IntervalEdit::Digits::UpToMaximum)),
      m_stateOptions(MakeNamed<NumberFieldsBox>(QStringLiteral("StateOptions"),
                                                QStringLiteral("Target States"), StateRows(),
                                                prompts, this, 2)),
      // What the dialog shows now, whether or not Done has taken it yet.
      m_testAlertButton(MakeNamed<TestAlertButton>(
          QStringLiteral("SendTestAlertButton"), [this] { return Settings(); }, prompts, this)),
      m_doneButton(
          MakeNamed<QPushButton>(QStringLiteral("DoneButton"), QStringLiteral("Done"), this)),
      m_cancelButton(
          MakeNamed<QPushButton>(QStringLiteral("CancelButton"), QStringLiteral("Cancel"), this)) {
    setWindowTitle(QStringLiteral("Velnorix Configuration"));
    setFont(FormFont());
    m_targets->setFont(FixedPitchFont());
    m_targets->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_targets->setFocusPolicy(Qt::ClickFocus); // skipped by Tab
    // Scrolls sideways as far as the longest entry reaches.
    m_targets->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_certWarnDays->setRange(0, kMaxCertWarnDays);
    m_certWarnDays->setSpecialValueText(QStringLiteral("Off"));
    m_keepLogDays->setRange(0, kMaxKeepLogDays);
    m_keepLogDays->setSpecialValueText(QStringLiteral("All"));

    auto* listButtons = new QGridLayout;
    listButtons->setColumnStretch(0, 1);
    listButtons->addWidget(m_addButton, 0, 1);
    listButtons->addWidget(m_editButton, 0, 2);
    listButtons->addWidget(m_deleteButton, 1, 1);
    listButtons->addWidget(m_clearButton, 1, 2);

    auto* interval = new QGridLayout;
    interval->addWidget(new QLabel(QStringLiteral("Test Interval:"), this), 1, 0);
    const std::array<QString, 3> captions{QStringLiteral("Hours"), QStringLiteral("Minutes"),
                                          QStringLiteral("Seconds")};
    for (int field = 0; field < 3; ++field) {
        const int column = 1 + 2 * field;
        if (field > 0)
            interval->addWidget(CentredLabel(QStringLiteral("+"), this), 1, column - 1);
        interval->addWidget(CentredLabel(captions[static_cast<std::size_t>(field)], this), 0,
                            column);
        interval->addWidget(m_intervalEdits[static_cast<std::size_t>(field)], 1, column);
    }
    interval->setColumnStretch(6, 1);

    auto* certificates = new QHBoxLayout;
    certificates->addWidget(
        new QLabel(QStringLiteral("Warn Days Before Certificate Expiry"), this));
    certificates->addWidget(m_certWarnDays);
    certificates->addSpacing(24);
    certificates->addWidget(new QLabel(QStringLiteral("Probes at Once"), this));
    certificates->addWidget(m_parallelEdit);
    certificates->addStretch();

    auto* deleteLogs = new QHBoxLayout;
    deleteLogs->addWidget(m_rgDeleteLogs, 1);
    deleteLogs->addWidget(new QLabel(QStringLiteral("Keep Logs (Days)"), this));
    deleteLogs->addWidget(m_keepLogDays);

    auto* closeButtons = new QHBoxLayout;
    closeButtons->addWidget(m_testAlertButton);
    closeButtons->addStretch();
    closeButtons->addWidget(m_doneButton);
    closeButtons->addWidget(m_cancelButton);
    closeButtons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Targets"), this));
    layout->addWidget(m_targets, 1);
    layout->addLayout(listButtons);
    layout->addLayout(interval);
    layout->addLayout(deleteLogs);
    layout->addWidget(m_cbNotify);
    layout->addLayout(certificates);
    layout->addWidget(m_stateOptions);
    layout->addLayout(closeButtons);
    resize(619, 409);

    const std::array<QWidget*, 16> tabOrder{
        m_addButton,        m_editButton,       m_deleteButton,     m_clearButton,
        m_intervalEdits[0], m_intervalEdits[1], m_intervalEdits[2], m_rgDeleteLogs,
        m_keepLogDays,      m_cbNotify,         m_certWarnDays,     m_parallelEdit,
        m_stateOptions,     m_testAlertButton,  m_doneButton,       m_cancelButton};
    for (std::size_t index = 1; index < tabOrder.size(); ++index)
        setTabOrder(tabOrder[index - 1], tabOrder[index]);

    connect(m_addButton, &QPushButton::clicked, this, &TVelnorixConfigForm::AddButtonClick);
    connect(m_editButton, &QPushButton::clicked, this, &TVelnorixConfigForm::EditButtonClick);
    connect(m_deleteButton, &QPushButton::clicked, this, &TVelnorixConfigForm::DeleteButtonClick);
    connect(m_clearButton, &QPushButton::clicked, this, &TVelnorixConfigForm::ClearButtonClick);
    connect(m_doneButton, &QPushButton::clicked, this, &TVelnorixConfigForm::DoneButtonClick);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TVelnorixConfigForm::ShowSettings(const Configuration& settings) {
    m_shown = settings;
    m_intervalEdits[0]->ShowValue(settings.IntervalHours);
    m_intervalEdits[1]->ShowValue(settings.IntervalMins);
    m_intervalEdits[2]->ShowValue(settings.IntervalSecs);
    m_rgDeleteLogs->SetItemIndex(settings.DeleteLogs ? kDeleteLogsYes : kDeleteLogsNo);
    m_cbNotify->setChecked(settings.Notify);
    // Below zero is off as well.
    m_certWarnDays->setValue(std::clamp(settings.CertWarnDays, 0, kMaxCertWarnDays));
    m_keepLogDays->setValue(std::clamp(settings.KeepLogDays, 0, kMaxKeepLogDays));
    m_parallelEdit->ShowValue(std::clamp(settings.Parallel, 1, kMaxParallelProbes));
    m_stateValues.clear();
    for (const auto setting : kStateSettings)
        m_stateValues.push_back(settings.*setting);
    m_stateOptions->ShowValues(m_stateValues);
    m_targets->clear();
    for (const TargetSettings& target : settings.Targets)
        AppendEntry(*m_targets, EntryTextOf(target), TargetStateFields::Of(target));
}

void TVelnorixConfigForm::SetIniFileName(std::string iniFileName) {
    m_testAlertButton->SetIniFileName(std::move(iniFileName));
}

Configuration TVelnorixConfigForm::Settings() const {
    Configuration settings = m_shown;
    settings.Targets.clear();
    for (int row = 0; row < m_targets->count(); ++row) {
        TargetSettings target = TargetOfEntryText(EntryOf(*m_targets->item(row)));
        StateOf(*m_targets->item(row)).ApplyTo(target);
        settings.Targets.push_back(target);
    }
    settings.IntervalHours = m_interval[0];
    settings.IntervalMins = m_interval[1];
    settings.IntervalSecs = m_interval[2];
    settings.DeleteLogs = m_rgDeleteLogs->ItemIndex() == kDeleteLogsYes;
    settings.Notify = m_cbNotify->isChecked();
    settings.CertWarnDays = m_certWarnDays->value();
    settings.KeepLogDays = m_keepLogDays->value();
    settings.Parallel = m_parallel;
    for (std::size_t row = 0; row < kStateSettings.size(); ++row)
        settings.*kStateSettings.at(row) = m_stateValues.at(row);
    return settings;
}

void TVelnorixConfigForm::AddButtonClick() {
    TVelnorixTargetForm editor(this, m_prompts);
    editor.PrepareNew();
    std::vector<std::int32_t> parents = Parents();
    parents.push_back(0);
    editor.PlaceAmong(static_cast<std::int32_t>(parents.size()), parents);
    if (m_runModal(editor) == QDialog::Accepted)
        AppendEntry(*m_targets, editor.ComposeEntry(), editor.StateFields());
}

void TVelnorixConfigForm::EditButtonClick() {
    int row = 0;
    while (row < m_targets->count() && !m_targets->item(row)->isSelected())
        ++row;
    if (row == m_targets->count())
        return;
    QListWidgetItem* edited = m_targets->item(row);
    TVelnorixTargetForm editor(this, m_prompts);
    editor.PrepareEdit(ParseTargetEntry(EntryOf(*edited)), StateOf(*edited));
    editor.PlaceAmong(row + 1, Parents());
    if (m_runModal(editor) == QDialog::Accepted)
        SetEntry(*edited, editor.ComposeEntry(), editor.StateFields());
}

void TVelnorixConfigForm::DeleteButtonClick() {
    std::vector<std::int32_t> deleted;
    for (int row = 0; row < m_targets->count(); ++row) {
        if (m_targets->item(row)->isSelected())
            deleted.push_back(row + 1);
    }
    for (auto number = deleted.rbegin(); number != deleted.rend(); ++number)
        delete m_targets->takeItem(*number - 1);
    for (int row = 0; row < m_targets->count(); ++row) {
        QListWidgetItem& item = *m_targets->item(row);
        TargetStateFields state = StateOf(item);
        state.Parent = RenumberedParent(state.Parent, deleted);
        item.setData(kStateFieldsRole, QVariant::fromValue(state));
    }
}

std::vector<std::int32_t> TVelnorixConfigForm::Parents() const {
    std::vector<std::int32_t> parents;
    parents.reserve(static_cast<std::size_t>(m_targets->count()));
    for (int row = 0; row < m_targets->count(); ++row)
        parents.push_back(StateOf(*m_targets->item(row)).Parent);
    return parents;
}

void TVelnorixConfigForm::ClearButtonClick() {
    m_targets->clear();
}

void TVelnorixConfigForm::DoneButtonClick() {
    const std::array<const IntervalEdit*, 4> fields{m_intervalEdits[0], m_intervalEdits[1],
                                                    m_intervalEdits[2], m_parallelEdit};
    // A field refused on leaving keeps the dialog open until the operator corrects it.
    if (std::any_of(fields.begin(), fields.end(),
                    [](const IntervalEdit* edit) { return edit->RefusesItsText(); }))
        return;
    std::array<std::int32_t, 3> interval{};
    for (std::size_t field = 0; field < interval.size(); ++field) {
        const std::optional<std::int32_t> value = m_intervalEdits.at(field)->ReportedValue();
        if (!value)
            return;
        interval.at(field) = *value;
    }
    // Unlike an odd interval, a number of probes or a state setting outside the limits cannot
    // be run at all, so it is refused even when the field was never left.
    const std::optional<std::int32_t> parallel = m_parallelEdit->ReportedValueInRange();
    if (!parallel)
        return;
    const std::optional<std::vector<std::int32_t>> stateValues = m_stateOptions->TakeValues();
    if (!stateValues || RefusedTimeout(m_prompts, stateValues->back()))
        return;
    if (interval == std::array<std::int32_t, 3>{}) {
        m_prompts.ShowErrorBox("No Test Interval is defined!\rPlease try again.");
        return;
    }
    if (m_targets->count() == 0) {
        m_prompts.ShowErrorBox("No Targets are defined!\rPlease try again.");
        return;
    }
    m_interval = interval;
    m_parallel = *parallel;
    m_stateValues = *stateValues;
    accept();
}

} // namespace velnorix
