#include "config/forms/config_form.h"
#include "config/forms/interval_edit.h"
#include "config/forms/radio_group.h"
#include "forms_test_support.h"
#include "kit/scripted_prompts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::Control;
using kit::DialogScript;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;

int Press(QWidget& dialog, const char* button) {
    QTest::mouseClick(&Control<QAbstractButton>(dialog, button), Qt::LeftButton);
    return dynamic_cast<QDialog&>(dialog).result();
}

TargetSettings Ping(const char* address, std::int32_t parent) {
    TargetSettings target;
    target.SetType("<Ping>");
    target.Addr = address;
    target.Parent = parent;
    return target;
}

// Three ping targets, the third reached through the second and the second through the first.
Configuration Chain() {
    Configuration settings;
    settings.IntervalMins = 5;
    settings.Targets = {Ping("192.0.2.1", 0), Ping("192.0.2.2", 1), Ping("192.0.2.3", 2)};
    return settings;
}

class StateFieldsTest : public testing::Test {
protected:
    void Click(const char* button) { Press(m_form, button); }
    void SelectOnly(int row) {
        auto& list = Control<QListWidget>(m_form, "Targets");
        list.clearSelection();
        list.item(row)->setSelected(true);
    }
    // Opens target `row`'s editor for `work`.
    void EditRow(int row, DialogScript::Step work) {
        SelectOnly(row);
        m_script.Then(std::move(work));
        Click("EditButton");
    }

    ScriptedPrompts m_prompts;
    DialogScript m_script;
    TVelnorixConfigForm m_form{nullptr, m_prompts, m_script.Runner()};
};

TEST_F(StateFieldsTest, ValuesOutOfRangeAndParentLoopsAreRefusedWithTheirReason) {
    const struct {
        bool InEditor; // of the second target; else in the options dialog
        const char* Field;
        const char* Text;
        Kind Box;
        const char* Message;
    } cases[] = {
        {false, "FailAfterEdit", "11", Kind::GeneralError, "Value 11 out of range 1..10"},
        {false, "RecoverAfterEdit", "0", Kind::GeneralError, "Value 0 out of range 1..10"},
        {false, "SlowMsEdit", "3600001", Kind::GeneralError,
         "Value 3600001 out of range 0..3600000"},
        {false, "RetriesEdit", "6", Kind::GeneralError, "Value 6 out of range 0..5"},
        {false, "RetryDelayMsEdit", "99", Kind::GeneralError, "Value 99 out of range 100..60000"},
        {false, "RetryDelayMsEdit", "x", Kind::GeneralError, "'x' is not a valid integer value"},
        {false, "TimeoutMsEdit", "99", Kind::Error,
         "Time-out is 99 ms; it must be 0 or from 100 to 30000"},
        {true, "edtTimeoutMs", "30001", Kind::GeneralError, "Value 30001 out of range 0..30000"},
        {true, "edtSlowMs", "3600001", Kind::GeneralError, "Value 3600001 out of range 0..3600000"},
        {true, "edtParent", "4", Kind::GeneralError, "Value 4 out of range 0..3"},
        {true, "edtEchoes", "21", Kind::GeneralError, "Value 21 out of range 1..20"},
        {true, "edtLossPct", "101", Kind::GeneralError, "Value 101 out of range 0..100"},
        {true, "edtParent", "2", Kind::Error,
         "Target 2 is set to be reached through target 2; a target cannot be its own parent"},
        {true, "edtParent", "3", Kind::Error,
         "Target 2 is set to be reached through target 3, which makes a loop of parents"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Field + std::string(" ") + c.Text);
        m_prompts.Clear();
        m_form.setResult(QDialog::Rejected);
        m_form.ShowSettings(Chain());
        const auto type = [&c](QWidget& dialog) {
            Control<IntervalEdit>(dialog, c.Field).setText(QString::fromLatin1(c.Text));
        };
        if (c.InEditor) {
            EditRow(1, [&](QDialog& editor) {
                type(editor);
                EXPECT_EQ(Press(editor, "SaveButton"), QDialog::Rejected);
                return Press(editor, "CancelButton");
            });
        } else {
            type(m_form);
        }
        Click("DoneButton");
        EXPECT_EQ(m_prompts.Texts(c.Box), std::vector<std::string>{c.Message});
        EXPECT_EQ(m_form.result(), c.InEditor ? QDialog::Accepted : QDialog::Rejected);
        if (c.InEditor) {
            EXPECT_EQ(m_form.Settings().Targets, Chain().Targets) << "the entry is unchanged";
        }
    }
    EXPECT_TRUE(m_script.Finished());
}

// A DNS target added in the editor shows its own rows only, refuses a name server that is no
// address, and keeps its question through Done; a TCP target keeps its banner pattern.
TEST_F(StateFieldsTest, DnsAndTcpTargetsKeepTheirChecksThroughTheEditor) {
    m_form.ShowSettings(Chain());
    m_script.Then([](QDialog& editor) {
        Control<RadioGroup>(editor, "rgTestType").Button(5)->click();
        EXPECT_TRUE(Control<RadioGroup>(editor, "rgMethod").isHidden());
        EXPECT_TRUE(Control<QLineEdit>(editor, "edtMatch").isHidden());
        Control<QPlainTextEdit>(editor, "Target").setPlainText(QStringLiteral("example.org"));
        Control<RadioGroup>(editor, "rgRecord").Button(2)->click();
        Control<QLineEdit>(editor, "edtExpect").setText(QStringLiteral("mx.example.org"));
        Control<QLineEdit>(editor, "edtServer").setText(QStringLiteral("ns.example.org"));
        EXPECT_EQ(Press(editor, "SaveButton"), QDialog::Rejected);
        Control<QLineEdit>(editor, "edtServer").setText(QStringLiteral("[::1]:5353"));
        return Press(editor, "SaveButton");
    });
    Click("AddButton");
    m_script.Then([](QDialog& editor) {
        Control<RadioGroup>(editor, "rgTestType").Button(4)->click();
        EXPECT_TRUE(Control<QLineEdit>(editor, "edtServer").isHidden());
        Control<QPlainTextEdit>(editor, "Target").setPlainText(QStringLiteral("127.0.0.1"));
        Control<QLineEdit>(editor, "edtPort").setText(QStringLiteral("22"));
        Control<QLineEdit>(editor, "edtMatch").setText(QStringLiteral("^SSH-"));
        return Press(editor, "SaveButton");
    });
    Click("AddButton");
    Click("DoneButton");
    const Configuration edited = m_form.Settings();
    ASSERT_EQ(edited.TargetCount(), 5);
    EXPECT_EQ(edited.Targets[3].Type, "<DNS>");
    EXPECT_EQ(edited.Targets[3].Record, DnsRecordType::Mx);
    EXPECT_EQ(edited.Targets[3].Server, "[::1]:5353");
    EXPECT_EQ(edited.Targets[3].Expect, "mx.example.org");
    EXPECT_EQ(edited.Targets[4].Type, "<TCP>");
    EXPECT_EQ(edited.Targets[4].Port, 22);
    EXPECT_EQ(edited.Targets[4].Match, "^SSH-");
    EXPECT_EQ(m_prompts.Texts(Kind::Error),
              std::vector<std::string>{
                  "Name server ns.example.org must be an IPv4 or IPv6 address, with :port or not"});
    EXPECT_TRUE(m_script.Finished());
}

TEST_F(StateFieldsTest, SettingsRoundTripEditsTakeAndDeletingRenumbersParents) {
    Configuration set = Chain();
    set.FailAfter = 3;
    set.RecoverAfter = 2;
    set.SlowMs = 1500;
    set.Retries = 5;
    set.RetryDelayMs = 60'000;
    set.Targets[1].SlowMs = 200;
    set.Targets[1].Echoes = 20;
    set.Targets[1].LossPct = 0;
    set.TimeoutMs = 30'000;
    set.Targets[2].TimeoutMs = 100;
    for (const Configuration& shown : {Chain(), set}) {
        m_form.ShowSettings(shown);
        Click("DoneButton");
        EXPECT_EQ(m_form.Settings(), shown);
    }

    // The second target's echoes change; a web site added after it offers none, and its checks
    // are taken once its status list reads as one.
    EditRow(1, [](QDialog& editor) {
        Control<IntervalEdit>(editor, "edtEchoes").setText(QStringLiteral("5"));
        return Press(editor, "SaveButton");
    });
    m_script.Then([](QDialog& editor) {
        Control<RadioGroup>(editor, "rgTestType").Button(0)->click();
        EXPECT_TRUE(Control<IntervalEdit>(editor, "edtEchoes").isHidden());
        Control<IntervalEdit>(editor, "edtParent").setText(QStringLiteral("3"));
        Control<RadioGroup>(editor, "rgMethod").Button(1)->click();
        Control<QLineEdit>(editor, "edtMatch").setText(QStringLiteral("Welcome"));
        Control<QCheckBox>(editor, "cbMatchAbsent").setChecked(true);
        Control<QLineEdit>(editor, "edtExpect").setText(QStringLiteral("2xx"));
        EXPECT_EQ(Press(editor, "SaveButton"), QDialog::Rejected);
        Control<QLineEdit>(editor, "edtExpect").setText(QStringLiteral("200-299,301"));
        return Press(editor, "SaveButton");
    });
    Click("AddButton");
    Control<IntervalEdit>(m_form, "RetriesEdit").setText(QStringLiteral("1"));
    Click("DoneButton");
    Configuration edited = m_form.Settings();
    EXPECT_EQ(edited.Retries, 1);
    EXPECT_EQ(edited.Targets[1].Echoes, 5);
    ASSERT_EQ(edited.TargetCount(), 4);
    EXPECT_EQ(edited.Targets[3].Parent, 3);
    EXPECT_EQ(edited.Targets[3].Method, WebMethod::Get);
    EXPECT_EQ(edited.Targets[3].Expect, "200-299,301");
    EXPECT_EQ(edited.Targets[3].Match, "Welcome");
    EXPECT_TRUE(edited.Targets[3].MatchAbsent);
    EXPECT_EQ(m_prompts.Texts(Kind::Error),
              std::vector<std::string>{
                  "Status codes 2xx; it must list status codes such as 200-299,301"});

    // Without the first target the second is reached directly and the third still through it.
    SelectOnly(0);
    Click("DeleteButton");
    Click("DoneButton");
    edited = m_form.Settings();
    std::vector<std::int32_t> parents;
    for (const TargetSettings& target : edited.Targets)
        parents.push_back(target.Parent);
    EXPECT_EQ(parents, (std::vector<std::int32_t>{0, 1, 2}));
    EXPECT_TRUE(m_script.Finished());
}

} // namespace
} // namespace velnorix
