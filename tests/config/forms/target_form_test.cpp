#include "config/forms/radio_group.h"
#include "config/forms/target_form.h"
#include "forms_test_support.h"
#include "kit/scripted_prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::Control;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;

class TargetFormTest : public testing::Test {
protected:
    RadioGroup& TestType() { return Control<RadioGroup>(m_form, "rgTestType"); }
    RadioGroup& Audible() { return Control<RadioGroup>(m_form, "rgAudible"); }
    QLineEdit& Port() { return Control<QLineEdit>(m_form, "edtPort"); }
    QLineEdit& User() { return Control<QLineEdit>(m_form, "edtUser"); }
    QLineEdit& Password() { return Control<QLineEdit>(m_form, "edtPwd"); }
    QPlainTextEdit& Target() { return Control<QPlainTextEdit>(m_form, "Target"); }
    RadioGroup& Security() { return Control<RadioGroup>(m_form, "rgSecurity"); }
    void ClickType(int position) { TestType().Button(position)->click(); }
    void ClickSecurity(int position) { Security().Button(position)->click(); }

    ScriptedPrompts m_prompts;
    TVelnorixTargetForm m_form{nullptr, m_prompts};
};

TEST_F(TargetFormTest, ANewTargetIsAnAudibleWebSiteOnPort80) {
    m_form.PrepareNew();
    EXPECT_EQ(TestType().ItemIndex(), 0);
    EXPECT_EQ(Port().text(), QStringLiteral("80"));
    EXPECT_EQ(Audible().ItemIndex(), 0);
    EXPECT_EQ(m_form.ComposeEntry(), "<HTML>  <AUDIBLE>  <Port>80");
    EXPECT_TRUE(m_prompts.Texts(Kind::Error).empty());
}

TEST_F(TargetFormTest, ChoosingATypePutsItsDefaultPortIntoTheEntry) {
    const struct {
        int Position;
        const char* Port;
        const char* Entry;
    } cases[] = {
        {1, "0", "<Ping>  <AUDIBLE>  <Port>0"},
        {2, "110", "<POP3>  <AUDIBLE>  <Port>110"},
        {3, "25", "<SMTP>  <AUDIBLE>  <Port>25"},
        {0, "80", "<HTML>  <AUDIBLE>  <Port>80"},
    };
    m_form.PrepareNew();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Position);
        ClickType(c.Position);
        EXPECT_EQ(Port().text(), QString::fromLatin1(c.Port));
        EXPECT_EQ(m_form.ComposeEntry(), c.Entry);
    }
}

TEST_F(TargetFormTest, ATypedPortGivesWayToAnotherTypeButNotToTheSameOne) {
    m_form.PrepareNew();
    ClickType(2);
    Port().setText(QStringLiteral("8080"));
    ClickType(2);
    EXPECT_EQ(Port().text(), QStringLiteral("8080"));
    ClickType(3);
    EXPECT_EQ(Port().text(), QStringLiteral("25"));
}

TEST_F(TargetFormTest, APortThatIsNotAnIntegerIsReportedAndReplacedByTheTypesDefault) {
    for (const char* typed : {"abc", "", "  ", "12x"}) {
        SCOPED_TRACE(typed);
        m_prompts.Clear();
        m_form.PrepareNew();
        ClickType(2);
        Port().setText(QString::fromLatin1(typed));
        EXPECT_EQ(m_form.ComposeEntry(), "<POP3>  <AUDIBLE>  <Port>110");
        EXPECT_EQ(m_prompts.Texts(Kind::Error),
                  std::vector<std::string>{"Port must be numeric.\rReturning to default."});
    }
}

// The editor hands its raw texts to the entry: trimming, blank-only users and line breaks in the
// address are settled there.
TEST_F(TargetFormTest, TheEntryIsComposedFromTheEditorsFields) {
    const struct {
        const char* Address;
        const char* User;
        const char* Password;
        bool Audible;
        const char* Entry;
    } cases[] = {
        {" 10.0.0.110\t", " monitor ", "pw", true,
         "<POP3>10.0.0.110  <User>monitor  <Password>pw  <AUDIBLE>  <Port>110"},
        {"10.0.0.110", "   ", "", false, "<POP3>10.0.0.110  <User>  <Port>110"},
        // Line breaks typed into the address are dropped.
        {"mail.\nexample.com\r\n", "", "", false, "<POP3>mail.example.com  <Port>110"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Entry);
        m_form.PrepareNew();
        ClickType(2);
        Target().setPlainText(QString::fromLatin1(c.Address));
        User().setText(QString::fromLatin1(c.User));
        Password().setText(QString::fromLatin1(c.Password));
        Audible().Button(c.Audible ? 0 : 1)->click();
        EXPECT_EQ(m_form.ComposeEntry(), c.Entry);
    }
}

TEST_F(TargetFormTest, EditingShowsTheEntrysFieldsWithItsOwnPort) {
    const struct {
        TargetEntryFields Fields;
        int Position;
    } cases[] = {
        {{"<HTML>", "http://www.example.com/", "", "", true, 8080}, 0},
        {{"<Ping>", "10.0.0.1", "", "", false, 7}, 1},
        {{"<POP3>", "10.0.0.110", "monitor", "secret", true, 995}, 2},
        // Any other type shows as SMTP, still with the entry's port.
        {{"<html>", "www.example.com", "", "", true, 80}, 3},
        {{"", "", "", "", true, 0}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fields.Type);
        m_form.PrepareEdit(c.Fields);
        EXPECT_EQ(TestType().ItemIndex(), c.Position);
        EXPECT_EQ(Target().toPlainText().toStdString(), c.Fields.Addr);
        EXPECT_EQ(User().text().toStdString(), c.Fields.User);
        EXPECT_EQ(Password().text().toStdString(), c.Fields.Password);
        EXPECT_EQ(Audible().ItemIndex(), c.Fields.Audible ? 0 : 1);
        EXPECT_EQ(Port().text(), QString::number(c.Fields.Port));
    }
}

constexpr int kPop3 = 2;
constexpr int kSmtp = 3;
constexpr int kNone = 0;
constexpr int kTls = 1;
constexpr int kStartTls = 2;

TEST_F(TargetFormTest, ChoosingAProtectionOffersItsUsualPortAndMarksTheEntry) {
    const struct {
        int Type;
        int Security;
        const char* Port;
        const char* Entry;
    } cases[] = {
        {kPop3, kTls, "995", "<POP3>  <AUDIBLE>  <TLS>  <Port>995"},
        {kPop3, kStartTls, "110", "<POP3>  <AUDIBLE>  <STARTTLS>  <Port>110"},
        {kPop3, kNone, "110", "<POP3>  <AUDIBLE>  <Port>110"},
        {kSmtp, kTls, "465", "<SMTP>  <AUDIBLE>  <TLS>  <Port>465"},
        {kSmtp, kStartTls, "587", "<SMTP>  <AUDIBLE>  <STARTTLS>  <Port>587"},
        {kSmtp, kNone, "25", "<SMTP>  <AUDIBLE>  <Port>25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Entry);
        m_form.PrepareNew();
        ClickType(c.Type);
        // A typed port gives way to the protection's, as it does to a type's.
        Port().setText(QStringLiteral("8080"));
        ClickSecurity(c.Security == kNone ? kTls : c.Security);
        ClickSecurity(c.Security);
        EXPECT_EQ(Port().text(), QString::fromLatin1(c.Port));
        EXPECT_EQ(m_form.ComposeEntry(), c.Entry);
    }
}

TEST_F(TargetFormTest, TheProtectionCountsForMailOnlyAndStaysAcrossTypes) {
    m_form.PrepareNew();
    EXPECT_FALSE(Security().isEnabled()) << "a web site follows its URL";
    ClickType(kPop3);
    ClickSecurity(kTls);
    ClickType(kSmtp);
    EXPECT_EQ(Port().text(), QStringLiteral("465"));
    ClickType(1);
    EXPECT_FALSE(Security().isEnabled());
    EXPECT_EQ(m_form.ComposeEntry(), "<Ping>  <AUDIBLE>  <Port>0");
}

TEST_F(TargetFormTest, EditingShowsTheProtectionAndABadPortFallsBackToItsDefault) {
    m_form.PrepareEdit({"<SMTP>", "relay", "", "", false, 2587, TargetSecurity::StartTls});
    EXPECT_EQ(Security().ItemIndex(), kStartTls);
    EXPECT_EQ(Port().text(), QStringLiteral("2587"));
    Port().setText(QStringLiteral("x"));
    EXPECT_EQ(m_form.ComposeEntry(), "<SMTP>relay  <STARTTLS>  <Port>587");
    EXPECT_EQ(m_prompts.Texts(Kind::Error).size(), 1u);

    // A new target after it starts without protection.
    m_form.PrepareNew();
    ClickType(kPop3);
    EXPECT_EQ(Port().text(), QStringLiteral("110"));
}

TEST_F(TargetFormTest, TabFollowsTheTypeTheButtonsAndThenTheFields) {
    m_form.PrepareNew();
    ClickType(kPop3); // the protection takes part for mail only
    m_form.show();
    QApplication::setActiveWindow(&m_form);
    TestType().Button(0)->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int step = 0; step < 9; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        visited << (focused->objectName().isEmpty() ? focused->parentWidget()->objectName()
                                                    : focused->objectName());
    }
    EXPECT_EQ(
        visited.join(u' '),
        QStringLiteral("SaveButton CancelButton Target edtUser edtPwd cbShowPwd rgAudible edtPort "
                       "rgSecurity"));
}

TEST_F(TargetFormTest, ThePasswordIsHiddenUntilShowIsTickedForThisTarget) {
    m_form.PrepareEdit(ParseTargetEntry("<POP3>mail  <User>op  <Password>pw  <Port>110"));
    EXPECT_EQ(Password().echoMode(), QLineEdit::Password);
    Control<QCheckBox>(m_form, "cbShowPwd").click();
    EXPECT_EQ(Password().echoMode(), QLineEdit::Normal);
    EXPECT_EQ(Password().text(), QStringLiteral("pw"));
    m_form.PrepareNew();
    EXPECT_EQ(Password().echoMode(), QLineEdit::Password);
}

} // namespace
} // namespace velnorix
