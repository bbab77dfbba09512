#include "base/text_file.h"
#include "kit/scripted_prompts.h"
#include "reports/forms/log_commands.h"
#include "reports/forms/log_display_form.h"
#include "reports/forms/log_view.h"
#include "reports/modal_watch.h"
#include "support/temp_dir.h"

#include <QPushButton>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::ModalWatch;
using kit::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;

const ScriptedPrompts::Shown kNotAvailable{
    Kind::Error, "Log File is not available!\rPlease Start Test before viewing."};

class LogCommandsTest : public testing::Test {
protected:
    LogCommandsTest() : m_commands(nullptr, m_model, m_prompts, m_dir.Path()) {
        m_model.DetailLogName = m_dir.File("Velnorix261206140327.log");
        m_model.SummaryLogName = m_dir.File("Velnorix261206140327.smy");
        kit::WriteWholeFile(m_model.DetailLogName, "   1 detail Failure:\r\n");
        kit::WriteWholeFile(m_model.SummaryLogName, "Cycl Target\r\n");
    }

    // Runs a command and describes the log window it showed: its first line and whether it
    // offered the failure search. Empty when no window appeared.
    std::vector<std::pair<std::string, bool>> WindowsShownBy(void (LogCommands::*command)()) {
        std::vector<std::pair<std::string, bool>> shown;
        const ModalWatch watch([&shown](QDialog& dialog) {
            auto& form = dynamic_cast<TVelnorixLogDispForm&>(dialog);
            const auto* find = form.findChild<QPushButton*>(QStringLiteral("btnFindFirst"));
            shown.emplace_back(form.LogDisp().Text().Line(0), find->isVisible());
        });
        (m_commands.*command)();
        return shown;
    }

    kit::TempDir m_dir;
    RunModel m_model;
    ScriptedPrompts m_prompts;
    LogCommands m_commands;
};

using Shown = std::vector<std::pair<std::string, bool>>;

TEST_F(LogCommandsTest, ShowTheActiveLogsWithAndWithoutTheSearch) {
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowDetailLog), (Shown{{"   1 detail Failure:", true}}));
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowSummaryLog), (Shown{{"Cycl Target", false}}));
    EXPECT_TRUE(m_prompts.Boxes().empty());
}

TEST_F(LogCommandsTest, BeforeAnyRunTheLogsAreNotAvailable) {
    m_model.DetailLogName.clear();
    m_model.SummaryLogName.clear();
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowDetailLog), Shown{});
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowSummaryLog), Shown{});
    EXPECT_EQ(m_prompts.Boxes(), (std::vector{kNotAvailable, kNotAvailable}));
}

TEST_F(LogCommandsTest, DeletedLogsAreGoneWithoutAQuestionAndThenNotAvailable) {
    m_commands.DeleteLogFiles();
    EXPECT_TRUE(m_prompts.Boxes().empty());
    EXPECT_FALSE(FileExists(m_model.DetailLogName));
    EXPECT_FALSE(FileExists(m_model.SummaryLogName));
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowDetailLog), Shown{});
    EXPECT_EQ(m_prompts.Boxes(), std::vector{kNotAvailable});
    m_commands.DeleteLogFiles(); // nothing left to delete: still silent
    EXPECT_EQ(m_prompts.Boxes().size(), 1u);
}

TEST_F(LogCommandsTest, InactiveLogsAreChosenInTheProgramDirectoryButNeverTheActiveOne) {
    const std::string older = m_dir.File("Velnorix261205090000.log");
    kit::WriteWholeFile(older, "older run\r\n");
    m_prompts.ChooseNextFileToOpen(m_model.DetailLogName);
    m_prompts.ChooseNextFileToOpen(std::nullopt);
    m_prompts.ChooseNextFileToOpen(older);
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowInactiveDetailLog), Shown{});
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowInactiveDetailLog), Shown{});
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowInactiveDetailLog), (Shown{{"older run", true}}));
    const std::vector<ScriptedPrompts::Shown> told = {
        {Kind::Information, "You have chosen the active log file.\rPlease try again."}};
    EXPECT_EQ(m_prompts.Boxes(), told);
    EXPECT_EQ(m_prompts.OpenDialogs().at(0).InitialDirectory, m_dir.Path());
    EXPECT_EQ(m_prompts.OpenDialogs().at(0).FilterPattern, "*.log");
}

TEST_F(LogCommandsTest, AnInactiveSummaryLogIsShownWithoutTheSearch) {
    const std::string older = m_dir.File("Velnorix261205090000.smy");
    kit::WriteWholeFile(older, "older summary\r\n");
    m_prompts.ChooseNextFileToOpen(m_model.SummaryLogName);
    m_prompts.ChooseNextFileToOpen(older);
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowInactiveSummaryLog), Shown{});
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowInactiveSummaryLog),
              (Shown{{"older summary", false}}));
    EXPECT_EQ(m_prompts.OpenDialogs().at(1).FilterName, "Summary Log");
    EXPECT_EQ(m_prompts.Boxes().size(), 1u);
}

TEST_F(LogCommandsTest, TheActiveLogUnderANameInOtherLetterCaseIsShown) {
    // A different name on this file system: give it the content the operator expects to see.
    const std::string otherCase = m_dir.File("VELNORIX261206140327.log");
    kit::WriteWholeFile(otherCase, "   1 detail Failure:\r\n");
    m_prompts.ChooseNextFileToOpen(otherCase);
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowInactiveDetailLog),
              (Shown{{"   1 detail Failure:", true}}));
}

TEST_F(LogCommandsTest, ANameTypedIntoTheDialogThatDoesNotExistIsNotAvailable) {
    m_prompts.ChooseNextFileToOpen(m_dir.File("typed-but-missing.log"));
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowInactiveDetailLog), Shown{});
    EXPECT_EQ(m_prompts.Boxes(), std::vector{kNotAvailable});
}

TEST_F(LogCommandsTest, ALogThatCannotBeReadGoesToTheGeneralErrorDisplay) {
    // Reading this process's memory from address 0 fails even for root.
    m_model.DetailLogName = "/proc/self/mem";
    EXPECT_EQ(WindowsShownBy(&LogCommands::ShowDetailLog), Shown{});
    ASSERT_EQ(m_prompts.Boxes().size(), 1u);
    EXPECT_EQ(m_prompts.Boxes()[0].What, Kind::GeneralError);
    EXPECT_EQ(m_prompts.Boxes()[0].Text.rfind("Cannot read file \"/proc/self/mem\".", 0), 0u)
        << m_prompts.Boxes()[0].Text;
}

} // namespace
} // namespace velnorix
