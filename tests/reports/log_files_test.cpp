#include "engine/text_file.h"
#include "reports/log_files.h"
#include "reports/recording_prompts.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

using testing::RecordingPrompts;
using Kind = RecordingPrompts::Kind;

class LogFilesTest : public ::testing::Test {
protected:
    testing::TempDir m_dir;
    RecordingPrompts m_prompts;
};

TEST_F(LogFilesTest, ReadsTheWholeFileByteForByte) {
    std::string bytes = "   1 Failure:\r\n\r\n";
    bytes += std::string(1, '\0') + "\xFF\x80 binary";
    bytes += std::string(300'000, 'x');
    testing::WriteWholeFile(m_dir.File("a.log"), bytes);
    EXPECT_EQ(ReadLogFile(m_dir.File("a.log")), bytes);
    testing::WriteWholeFile(m_dir.File("empty.log"), "");
    EXPECT_EQ(ReadLogFile(m_dir.File("empty.log")), "");
}

TEST_F(LogFilesTest, AFileThatCannotBeOpenedRaisesAFileErrorNamingIt) {
    try {
        ReadLogFile(m_dir.File("missing.log"));
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.log"), std::string::npos);
    }
}

TEST_F(LogFilesTest, OffersTheLogsOfItsKindInTheProgramDirectory) {
    ChooseInactiveLog(m_prompts, "/opt/velnorix", LogKind::Detail, "");
    ChooseInactiveLog(m_prompts, "/opt/velnorix", LogKind::Summary, "");
    ASSERT_EQ(m_prompts.Dialogs().size(), 2u);
    EXPECT_EQ(m_prompts.Dialogs()[0].InitialDirectory, "/opt/velnorix");
    EXPECT_EQ(m_prompts.Dialogs()[0].FilterName, "Detail Log");
    EXPECT_EQ(m_prompts.Dialogs()[0].FilterPattern, "*.log");
    EXPECT_EQ(m_prompts.Dialogs()[0].FileName, "");
    EXPECT_EQ(m_prompts.Dialogs()[1].FilterName, "Summary Log");
    EXPECT_EQ(m_prompts.Dialogs()[1].FilterPattern, "*.smy");
}

TEST_F(LogFilesTest, RefusesTheActiveLogButNotTheSameNameInOtherLetterCase) {
    const std::string active = "/opt/velnorix/Velnorix261206140327.log";
    struct Case {
        std::optional<std::string> Answer;
        std::optional<std::string> Shown;
        bool Told;
    };
    const std::vector<Case> cases = {
        {std::nullopt, std::nullopt, false},
        {active, std::nullopt, true},
        {"/opt/velnorix/VELNORIX261206140327.log", "/opt/velnorix/VELNORIX261206140327.log", false},
        {"/opt/velnorix/Velnorix261205090000.log", "/opt/velnorix/Velnorix261205090000.log", false},
    };
    for (const Case& c : cases) {
        RecordingPrompts prompts;
        prompts.QueueFileChoice(c.Answer);
        EXPECT_EQ(ChooseInactiveLog(prompts, "/opt/velnorix", LogKind::Detail, active), c.Shown);
        const std::vector<RecordingPrompts::Message> told = {
            {Kind::Information, "You have chosen the active log file.\rPlease try again."}};
        EXPECT_EQ(prompts.Messages(), c.Told ? told : std::vector<RecordingPrompts::Message>{});
    }
}

TEST_F(LogFilesTest, DeletesBothActiveLogsQuietlyAndKeepsTheirNames) {
    RunModel model;
    model.DetailLogName = m_dir.File("Velnorix261206140327.log");
    model.SummaryLogName = m_dir.File("Velnorix261206140327.smy");
    testing::WriteWholeFile(model.DetailLogName, "x");
    testing::WriteWholeFile(model.SummaryLogName, "y");
    DeleteLogFiles(model);
    EXPECT_FALSE(FileExists(model.DetailLogName));
    EXPECT_FALSE(FileExists(model.SummaryLogName));
    EXPECT_EQ(model.DetailLogName, m_dir.File("Velnorix261206140327.log"));

    // Already gone, or never named: nothing to report.
    testing::WriteWholeFile(model.SummaryLogName, "y");
    DeleteLogFiles(model);
    EXPECT_FALSE(FileExists(model.SummaryLogName));
    EXPECT_NO_THROW(DeleteLogFiles(RunModel()));
}

} // namespace
} // namespace velnorix
