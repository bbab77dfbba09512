#include "config/forms/config_form.h"
#include "config/forms/interval_edit.h"
#include "config/forms/radio_group.h"
#include "config/forms/target_form.h"
#include "config/target_entry_text.h"
#include "forms_test_support.h"
#include "kit/scripted_prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::As;
using kit::Control;
using kit::DialogScript;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;

const std::vector<std::string> kFourEntries = {
    "<Ping>10.0.0.1  <AUDIBLE>  <Port>0",
    "<POP3>10.0.0.110  <User>monitor  <Port>110",
    "<SMTP>10.0.0.25  <Port>25",
    "<HTML>http://www.example.com/  <AUDIBLE>  <Port>80",
};

class ConfigFormTest : public testing::Test {
protected:
    void Show(std::vector<std::string> entries, std::int32_t hours = 0, std::int32_t minutes = 5,
              std::int32_t seconds = 0) {
        Configuration settings;
        for (const std::string& entry : entries)
            settings.Targets.push_back(TargetOfEntryText(entry));
        settings.IntervalHours = hours;
        settings.IntervalMins = minutes;
        settings.IntervalSecs = seconds;
        m_form.ShowSettings(settings);
    }
    void Click(const char* button) {
        QTest::mouseClick(&Control<QAbstractButton>(m_form, button), Qt::LeftButton);
    }
    QListWidget& List() { return Control<QListWidget>(m_form, "Targets"); }
    void Select(std::initializer_list<int> rows) {
        for (int row : rows)
            List().item(row)->setSelected(true);
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        for (const TargetSettings& target : m_form.Settings().Targets)
            entries.push_back(EntryTextOf(target));
        return entries;
    }

    ScriptedPrompts m_prompts;
    DialogScript m_script;
    TVelnorixConfigForm m_form{nullptr, m_prompts, m_script.Runner()};
};

// The editor's own buttons, as the operator would press them.
int Press(QDialog& editor, const char* button) {
    QTest::mouseClick(&Control<QAbstractButton>(editor, button), Qt::LeftButton);
    return editor.result();
}

TEST_F(ConfigFormTest, AddThenSaveAppendsADefaultWebSiteEntry) {
    Show({kFourEntries[0]});
    m_script.Then([](QDialog& editor) { return Press(editor, "SaveButton"); });
    Click("AddButton");
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{kFourEntries[0], "<HTML>  <AUDIBLE>  <Port>80"}));
    EXPECT_TRUE(m_script.Finished());
}

TEST_F(ConfigFormTest, AddThenChoosingPingGivesPortZero) {
    Show({});
    m_script.Then([](QDialog& editor) {
        Control<RadioGroup>(editor, "rgTestType").Button(1)->click();
        return Press(editor, "SaveButton");
    });
    Click("AddButton");
    EXPECT_EQ(Entries(), std::vector<std::string>{"<Ping>  <AUDIBLE>  <Port>0"});
}

TEST_F(ConfigFormTest, EditOpensTheFirstSelectedEntryOnlyAndReplacesItInPlace) {
    Show(kFourEntries);
    Select({1, 3});
    m_script.Then([](QDialog& dialog) {
        auto& editor = As<TVelnorixTargetForm>(dialog);
        EXPECT_EQ(Control<QPlainTextEdit>(editor, "Target").toPlainText(),
                  QStringLiteral("10.0.0.110"));
        Control<QLineEdit>(editor, "edtUser").setText(QStringLiteral("operator"));
        return Press(editor, "SaveButton");
    });
    Click("EditButton");
    std::vector<std::string> expected = kFourEntries;
    expected[1] = "<POP3>10.0.0.110  <User>operator  <Port>110";
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(m_script.DialogsShown(), 1);
}

TEST_F(ConfigFormTest, DayCountsShowTheirWordForZeroOrLessAndReadBack) {
    const struct {
        const char* Control;
        QString Zero;
        std::int32_t Configuration::*Days;
    } fields[] = {{"CertWarnDaysEdit", QStringLiteral("Off"), &Configuration::CertWarnDays},
                  {"KeepLogDaysEdit", QStringLiteral("All"), &Configuration::KeepLogDays}};
    for (const auto& field : fields) {
        QSpinBox& days = Control<QSpinBox>(m_form, field.Control);
        for (const std::int32_t given : {30, 0, -1}) {
            Configuration settings;
            settings.*field.Days = given;
            m_form.ShowSettings(settings);
            EXPECT_EQ(days.text(), given > 0 ? QString::number(given) : field.Zero);
            EXPECT_EQ(m_form.Settings().*field.Days, std::max(given, 0)) << field.Control;
        }
    }
}

TEST_F(ConfigFormTest, TheListShowsPasswordsAsStarsAndKeepsThem) {
    const std::string entry = "<POP3>10.0.0.110  <User>monitor  <Password>s3cret  <Port>110";
    Show({entry, kFourEntries[0]});
    EXPECT_EQ(List().item(0)->text(),
              QStringLiteral("<POP3>10.0.0.110  <User>monitor  <Password>***  <Port>110"));
    EXPECT_EQ(List().item(1)->text(), QString::fromStdString(kFourEntries[0]));
    EXPECT_EQ(Entries(), (std::vector<std::string>{entry, kFourEntries[0]}));
}

TEST_F(ConfigFormTest, EditCancelledLeavesTheEntryAsItWas) {
    Show(kFourEntries);
    Select({2});
    m_script.Then([](QDialog& editor) {
        Control<QLineEdit>(editor, "edtPort").setText(QStringLiteral("2525"));
        return Press(editor, "CancelButton");
    });
    Click("EditButton");
    EXPECT_EQ(Entries(), kFourEntries);
}

// A configuration file in another 8-bit encoding must not be rewritten by opening the dialog.
TEST_F(ConfigFormTest, EntriesThatAreNotEditedKeepTheirBytes) {
    const std::vector<std::string> entries = {"<POP3>mail  <User>M\xFCller  <Port>110",
                                              kFourEntries[0]};
    Show(entries);
    Select({1});
    m_script.Then([](QDialog& editor) { return Press(editor, "SaveButton"); });
    Click("EditButton");
    EXPECT_EQ(Entries(), entries);
}

TEST_F(ConfigFormTest, DeleteRemovesEverySelectedEntry) {
    Show(kFourEntries);
    Select({1, 3});
    Click("DeleteButton");
    EXPECT_EQ(Entries(), (std::vector<std::string>{kFourEntries[0], kFourEntries[2]}));
}

TEST_F(ConfigFormTest, EditAndDeleteWithNothingSelectedDoNothingAndClearTakesAll) {
    Show(kFourEntries);
    Click("EditButton");
    Click("DeleteButton");
    EXPECT_EQ(Entries(), kFourEntries);
    EXPECT_EQ(m_script.DialogsShown(), 0);
    Click("ClearButton");
    Click("EditButton");
    Click("DeleteButton");
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(m_script.DialogsShown(), 0);
}

TEST_F(ConfigFormTest, DoneChecksTheIntervalBeforeTheList) {
    const struct {
        std::int32_t Hours, Minutes, Seconds;
        bool WithTargets;
        const char* Message; // nullptr: accepted
    } cases[] = {
        {0, 0, 0, true, "No Test Interval is defined!\rPlease try again."},
        {0, 0, 0, false, "No Test Interval is defined!\rPlease try again."},
        {0, 0, 1, false, "No Targets are defined!\rPlease try again."},
        {0, 0, 1, true, nullptr},
        {24, 60, 60, true, nullptr},
        // Odd values from a configuration file pass through whole when left alone.
        {100, -1, 0, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Hours << "/" << c.Minutes << "/" << c.Seconds
                                        << (c.WithTargets ? " with" : " without"));
        m_prompts.Clear();
        m_form.setResult(QDialog::Rejected);
        Show(c.WithTargets ? kFourEntries : std::vector<std::string>{}, c.Hours, c.Minutes,
             c.Seconds);
        Click("DoneButton");
        if (c.Message) {
            EXPECT_EQ(m_prompts.Texts(Kind::Error), std::vector<std::string>{c.Message});
            EXPECT_EQ(m_form.result(), QDialog::Rejected);
        } else {
            EXPECT_TRUE(m_prompts.Texts(Kind::Error).empty());
            EXPECT_EQ(m_form.result(), QDialog::Accepted);
            const Configuration settings = m_form.Settings();
            EXPECT_EQ(settings.IntervalHours, c.Hours);
            EXPECT_EQ(settings.IntervalMins, c.Minutes);
            EXPECT_EQ(settings.IntervalSecs, c.Seconds);
        }
    }
}

// The fields below need the focus, so the dialog is shown and made the active window.
class ConfigFormFocusTest : public ConfigFormTest {
protected:
    void SetUp() override {
        Show(kFourEntries, 0, 5, 30);
        m_form.show();
        QApplication::setActiveWindow(&m_form);
    }
    IntervalEdit& Field(const char* name) { return Control<IntervalEdit>(m_form, name); }
    // Replaces the field's text as typed keys, as the operator would.
    void Type(IntervalEdit& field, const QString& keys) {
        field.setFocus(Qt::TabFocusReason);
        field.selectAll();
        QTest::keyClick(&field, Qt::Key_Delete);
        QTest::keyClicks(&field, keys);
    }
    // Lets the report of a refused value, which follows the focus change, take place.
    void Settle() { QCoreApplication::sendPostedEvents(); }
    QString Focused() const { return QApplication::focusWidget()->objectName(); }
};

TEST_F(ConfigFormFocusTest, LeavingAFieldChecksItsLimits) {
    const struct {
        const char* Field;
        const char* Typed;
        const char* Message; // nullptr: accepted
    } cases[] = {
        {"HrsEdit", "24", nullptr},
        {"MinEdit", "60", nullptr},
        {"SecEdit", "60", nullptr},
        {"HrsEdit", "00", nullptr},
        {"HrsEdit", "25", "Value 25 out of range 0..24"},
        {"MinEdit", "61", "Value 61 out of range 0..60"},
        {"SecEdit", "99", "Value 99 out of range 0..60"},
        {"HrsEdit", "", "Invalid input value.  Use escape key to abandon changes"},
        {"ParallelEdit", "8", nullptr},
        {"ParallelEdit", "", "Invalid input value.  Use escape key to abandon changes"},
        {"ParallelEdit", "00", "Value 00 out of range 1..64"},
        {"ParallelEdit", "65", "Value 65 out of range 1..64"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Field + std::string(" ") + c.Typed);
        m_prompts.Clear();
        IntervalEdit& field = Field(c.Field);
        Type(field, QString::fromLatin1(c.Typed));
        QTest::keyClick(&field, Qt::Key_Tab);
        Settle();
        if (c.Message) {
            EXPECT_EQ(m_prompts.Texts(Kind::GeneralError), std::vector<std::string>{c.Message});
            EXPECT_EQ(QApplication::focusWidget(), &field);
            QTest::keyClick(&field, Qt::Key_Escape); // back to a text the next case can leave
        } else {
            EXPECT_TRUE(m_prompts.Texts(Kind::GeneralError).empty());
            EXPECT_NE(QApplication::focusWidget(), &field);
        }
    }
}

TEST_F(ConfigFormFocusTest, AChangedFieldMustHoldTwoDigitsAndEscapeRestoresItsText) {
    IntervalEdit& minutes = Field("MinEdit");
    Type(minutes, QStringLiteral("7"));
    QTest::keyClick(&minutes, Qt::Key_Tab);
    Settle();
    EXPECT_EQ(m_prompts.Texts(Kind::GeneralError),
              std::vector<std::string>{"Invalid input value.  Use escape key to abandon changes"});
    ASSERT_EQ(Focused(), QStringLiteral("MinEdit"));

    QTest::keyClick(&minutes, Qt::Key_Escape);
    EXPECT_EQ(minutes.text(), QStringLiteral("5"));
    EXPECT_TRUE(m_form.isVisible());
    QTest::keyClick(&minutes, Qt::Key_Tab);
    Settle();
    EXPECT_EQ(m_prompts.Texts(Kind::GeneralError).size(), 1u);
    EXPECT_EQ(Focused(), QStringLiteral("SecEdit"));
}

TEST_F(ConfigFormFocusTest, ValuesPutInByTheDialogPassUntilChanged) {
    Field("MinEdit").setFocus(Qt::TabFocusReason);
    QTest::keyClick(&Field("MinEdit"), Qt::Key_Tab);
    QTest::keyClick(&Field("SecEdit"), Qt::Key_Tab);
    Settle();
    EXPECT_TRUE(m_prompts.Texts(Kind::GeneralError).empty());
}

TEST_F(ConfigFormFocusTest, OnlyDigitsCanBeTypedAndAtMostTwo) {
    IntervalEdit& hours = Field("HrsEdit");
    Type(hours, QStringLiteral("1a-2 34"));
    EXPECT_EQ(hours.text(), QStringLiteral("12"));
}

TEST_F(ConfigFormFocusTest, EnterMovesToTheNextControlAfterTheSameCheck) {
    IntervalEdit& hours = Field("HrsEdit");
    Type(hours, QStringLiteral("03"));
    QTest::keyClick(&hours, Qt::Key_Return);
    EXPECT_EQ(Focused(), QStringLiteral("MinEdit"));
    Type(Field("MinEdit"), QStringLiteral("75"));
    QTest::keyClick(&Field("MinEdit"), Qt::Key_Enter);
    Settle();
    EXPECT_EQ(m_prompts.Texts(Kind::GeneralError),
              std::vector<std::string>{"Value 75 out of range 0..60"});
    EXPECT_EQ(Focused(), QStringLiteral("MinEdit"));
    EXPECT_TRUE(m_form.isVisible());
}

// Pressing Done moves the focus out of the field first; a refused value must not slip through.
TEST_F(ConfigFormFocusTest, DoneDoesNotCloseOverAFieldItJustRefused) {
    Type(Field("HrsEdit"), QStringLiteral("25"));
    Click("DoneButton");
    Settle();
    EXPECT_EQ(m_form.result(), QDialog::Rejected);
    EXPECT_TRUE(m_form.isVisible());
    EXPECT_EQ(m_prompts.Texts(Kind::GeneralError),
              std::vector<std::string>{"Value 25 out of range 0..24"});

    Type(Field("HrsEdit"), QStringLiteral("02"));
    Click("DoneButton");
    EXPECT_EQ(m_form.result(), QDialog::Accepted);
    EXPECT_EQ(m_form.Settings().IntervalHours, 2);
}

// Unlike an odd interval, a number of probes the engine cannot run is refused by Done even
// when the field was never left.
TEST_F(ConfigFormFocusTest, DoneRefusesProbesAtOnceOutsideOneTo64) {
    IntervalEdit& parallel = Field("ParallelEdit");
    for (const std::string typed : {"00", "65"}) {
        m_prompts.Clear();
        Type(parallel, QString::fromStdString(typed));
        m_form.setFocus(Qt::OtherFocusReason);
        Click("DoneButton");
        EXPECT_EQ(m_prompts.Texts(Kind::GeneralError),
                  std::vector<std::string>{"Value " + typed + " out of range 1..64"});
        EXPECT_EQ(m_form.result(), QDialog::Rejected);
    }
}

TEST_F(ConfigFormFocusTest, DoneReportsAFieldThatIsNotAnInteger) {
    IntervalEdit& seconds = Field("SecEdit");
    Type(seconds, QString());
    m_form.setFocus(Qt::OtherFocusReason); // not left by the operator, so not checked on the way
    QTest::mouseClick(&Control<QAbstractButton>(m_form, "DoneButton"), Qt::LeftButton);
    Settle();
    EXPECT_EQ(m_prompts.Texts(Kind::GeneralError).back(), "'' is not a valid integer value");
    EXPECT_EQ(m_form.result(), QDialog::Rejected);
}

TEST_F(ConfigFormFocusTest, TabSkipsTheListAndVisitsTheControlsInOrder) {
    Control<QAbstractButton>(m_form, "CancelButton").setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int step = 0; step < 21; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        visited << (focused->objectName().isEmpty() ? focused->parentWidget()->objectName()
                                                    : focused->objectName());
    }
    EXPECT_EQ(visited.join(u' '),
              QStringLiteral("AddButton EditButton DeleteButton ClearButton "
                             "HrsEdit MinEdit SecEdit rgDeleteLogs "
                             "KeepLogDaysEdit cbNotify CertWarnDaysEdit "
                             "ParallelEdit FailAfterEdit RecoverAfterEdit "
                             "SlowMsEdit RetriesEdit RetryDelayMsEdit TimeoutMsEdit "
                             "SendTestAlertButton DoneButton CancelButton"));
}

} // namespace
} // namespace velnorix
