#include "kit/scripted_prompts.h"
#include "reports/forms/log_display_form.h"
#include "reports/forms/log_view.h"
#include "reports/sample_logs.h"
#include "support/temp_dir.h"

#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::DetailLogFailingOn;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;

const ScriptedPrompts::Shown kNoFailure{Kind::Information, "No \"Failure\" found."};

class LogDisplayFormTest : public testing::Test {
protected:
    // Every test starts as the program does: Find Next searches backward.
    LogDisplayFormTest() { TVelnorixLogDispForm::SearchForward = false; }

    std::unique_ptr<TVelnorixLogDispForm> Open(const std::string& content,
                                               bool withSearchButtons = true) {
        const std::string name = m_dir.File("Velnorix" + std::to_string(++m_files) + ".log");
        kit::WriteWholeFile(name, content);
        auto form = CreateLogDisplay(nullptr, m_prompts, name, withSearchButtons);
        form->show();
        return form;
    }

    static QPushButton& Button(QWidget& form, const char* name) {
        auto* button = form.findChild<QPushButton*>(QString::fromLatin1(name));
        if (button == nullptr)
            throw std::runtime_error(std::string("no button ") + name);
        return *button;
    }

    static void Click(QWidget& form, const char* name) {
        QTest::mouseClick(&Button(form, name), Qt::LeftButton);
    }

    // The 1-based line of the selection, checking that it selects one whole match.
    static int SelectedLine(TVelnorixLogDispForm& form) {
        EXPECT_EQ(form.LogDisp().SelectedText(), QStringLiteral("Failure:"));
        return form.LogDisp().Selection().Caret.Line + 1;
    }

    // Clicks `button` until the search reports no further match; the lines it selected.
    std::vector<int> ClickUntilNoneFound(TVelnorixLogDispForm& form, const char* button) {
        std::vector<int> lines;
        for (int clicks = 0; clicks < 50 && m_prompts.Boxes().empty(); ++clicks) {
            Click(form, button);
            if (m_prompts.Boxes().empty())
                lines.push_back(SelectedLine(form));
        }
        return lines;
    }

    kit::TempDir m_dir;
    ScriptedPrompts m_prompts;
    int m_files = 0;
};

TEST_F(LogDisplayFormTest, FindFirstThenNextWalksDownAndFindLastThenNextWalksUp) {
    auto form = Open(DetailLogFailingOn({5, 9, 20}, 24));

    Click(*form, "btnFindFirst");
    EXPECT_EQ(SelectedLine(*form), 5);
    EXPECT_EQ(form->LogDisp().Selection().Caret.Column, 36); // at the end of the match
    EXPECT_EQ(ClickUntilNoneFound(*form, "btnFindNext"), (std::vector<int>{9, 20}));
    EXPECT_EQ(m_prompts.Boxes(), std::vector{kNoFailure});
    EXPECT_EQ(SelectedLine(*form), 20); // a failed search leaves the selection

    m_prompts.Clear();
    Click(*form, "btnFindLast");
    EXPECT_EQ(SelectedLine(*form), 20);
    EXPECT_EQ(form->LogDisp().Selection().Caret.Column, 28); // at the start of the match
    EXPECT_EQ(ClickUntilNoneFound(*form, "btnFindNext"), (std::vector<int>{9, 5}));
    EXPECT_EQ(m_prompts.Boxes(), std::vector{kNoFailure});
}

TEST_F(LogDisplayFormTest, FindsTwoMatchesOnOneLineInBothDirections) {
    auto form = Open("start\r\nFailure: one, Failure: two\r\nend\r\n");
    Click(*form, "btnFindFirst");
    EXPECT_EQ(form->LogDisp().Selection(), (TextSelection{{1, 0}, {1, 8}}));
    Click(*form, "btnFindNext");
    EXPECT_EQ(form->LogDisp().Selection(), (TextSelection{{1, 14}, {1, 22}}));
    Click(*form, "btnFindLast");
    EXPECT_EQ(form->LogDisp().Selection(), (TextSelection{{1, 22}, {1, 14}}));
    Click(*form, "btnFindNext");
    EXPECT_EQ(form->LogDisp().Selection(), (TextSelection{{1, 8}, {1, 0}}));
    EXPECT_TRUE(m_prompts.Boxes().empty());
}

TEST_F(LogDisplayFormTest, EveryButtonReportsNoneInALogWithoutExactMatches) {
    auto form = Open(DetailLogFailingOn({}, 10) + "   2 failure: lower case\r\n");
    for (const char* button : {"btnFindFirst", "btnFindNext", "btnFindLast"}) {
        m_prompts.Clear();
        Click(*form, button);
        EXPECT_EQ(m_prompts.Boxes(), std::vector{kNoFailure}) << button;
        EXPECT_EQ(form->LogDisp().Selection(), TextSelection{}) << button;
    }
}

TEST_F(LogDisplayFormTest, AFreshProgramSearchesBackwardFromTheStartAndFindsNothing) {
    auto form = Open(DetailLogFailingOn({5, 9}, 12));
    Click(*form, "btnFindNext");
    EXPECT_EQ(m_prompts.Boxes(), std::vector{kNoFailure});
}

TEST_F(LogDisplayFormTest, TheSearchDirectionCarriesOverToLaterWindows) {
    const std::string log = DetailLogFailingOn({5, 9}, 12);
    {
        auto first = Open(log);
        Click(*first, "btnFindFirst");
    }
    auto second = Open(log);
    Click(*second, "btnFindNext"); // forward from the start
    EXPECT_EQ(SelectedLine(*second), 5);
    Click(*second, "btnFindLast");
    second.reset();

    auto third = Open(log);
    Click(*third, "btnFindNext"); // backward from the start
    EXPECT_EQ(m_prompts.Boxes(), std::vector{kNoFailure});
}

TEST_F(LogDisplayFormTest, FindNextStartsWhereTheOperatorPutTheCaret) {
    auto form = Open(DetailLogFailingOn({5, 9, 20}, 24));
    Click(*form, "btnFindFirst");
    LogView& view = form->LogDisp();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.CursorRect({14, 3}).center());
    EXPECT_EQ(view.Selection().Caret, (TextPosition{14, 3}));
    Click(*form, "btnFindNext");
    EXPECT_EQ(SelectedLine(*form), 20);
}

TEST_F(LogDisplayFormTest, AFoundFailureFarDownIsScrolledIntoView) {
    auto form = Open(DetailLogFailingOn({3000}, 5000));
    LogView& view = form->LogDisp();
    Click(*form, "btnFindFirst");
    EXPECT_TRUE(view.viewport()->rect().contains(view.CursorRect(view.Selection().Caret)));
    Click(*form, "btnFindLast");
    EXPECT_TRUE(view.viewport()->rect().contains(view.CursorRect(view.Selection().Caret)));
    EXPECT_GT(view.FirstVisibleLine(), 2900);
}

TEST_F(LogDisplayFormTest, ASummaryLogShowsOnlyDoneInTheMiddleOfTheRow) {
    auto summary = Open("Cycl Target\r\n", false);
    for (const char* name : {"btnFindFirst", "btnFindNext", "btnFindLast"})
        EXPECT_FALSE(Button(*summary, name).isVisible()) << name;
    const QPushButton& done = Button(*summary, "btnDone");
    EXPECT_TRUE(done.isVisible());
    EXPECT_NEAR(done.geometry().center().x(), summary->width() / 2, 2);

    auto detail = Open("x\r\n", true);
    EXPECT_LT(Button(*detail, "btnDone").x(), Button(*detail, "btnFindFirst").x());
    EXPECT_TRUE(Button(*detail, "btnFindLast").isVisible());
}

TEST_F(LogDisplayFormTest, DoneClosesTheWindowAsAccepted) {
    auto form = Open("x\r\n");
    Click(*form, "btnDone");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(LogDisplayFormTest, TypedTextIsSearchedButNeverWrittenToTheFile) {
    const std::string log = DetailLogFailingOn({}, 6);
    auto form = Open(log);
    LogView& view = form->LogDisp();
    view.setFocus();
    view.Select({{2, 0}, {2, 0}});
    QTest::keyClicks(&view, QStringLiteral("Failure:"));
    Click(*form, "btnFindFirst");
    EXPECT_EQ(view.Selection(), (TextSelection{{2, 0}, {2, 8}}));
    form.reset();
    EXPECT_EQ(kit::ReadWholeFile(m_dir.File("Velnorix1.log")), log);
}

TEST_F(LogDisplayFormTest, UsesFixedPitchTextAndFitsItsFontsToTheScreenOnFirstShow) {
    auto form = Open("x\r\n");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Velnorix Log Display"));
    EXPECT_TRUE(QFontInfo(form->LogDisp().font()).fixedPitch());
    EXPECT_EQ(Button(*form, "btnFindFirst").toolTip(),
              QStringLiteral("Find first \"failure\" entry in Detail Log"));

    // The offscreen screen is 800 pixels wide: small fonts, at least 750 x 520 outside.
    ASSERT_EQ(form->screen()->geometry().width(), 800);
    EXPECT_EQ(form->LogDisp().font().pointSize(), 7);
    EXPECT_EQ(Button(*form, "btnDone").font().pointSize(), 7);
    EXPECT_EQ(Button(*form, "btnFindNext").font().pointSize(), 8);
    EXPECT_EQ(Button(*form, "btnFindLast").font().pixelSize(), 13);
    EXPECT_EQ(form->minimumSize(), QSize(742, 493));
}

TEST_F(LogDisplayFormTest, AMissingOrUnnamedLogIsReportedAndNoWindowIsMade) {
    for (const std::string& name : {std::string(), m_dir.File("gone.log"), m_dir.Path()}) {
        ScriptedPrompts prompts;
        EXPECT_EQ(CreateLogDisplay(nullptr, prompts, name, true), nullptr);
        const std::vector<ScriptedPrompts::Shown> expected = {
            {Kind::Error, "Log File is not available!\rPlease Start Test before viewing."}};
        EXPECT_EQ(prompts.Boxes(), expected) << name;
    }
}

} // namespace
} // namespace velnorix
