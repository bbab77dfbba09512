#include "config/configuration_commands.h"
#include "config/ini_values.h"
#include "kit/fake_host.h"
#include "kit/scripted_prompts.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace velnorix {
namespace {

using kit::ReadWholeFile;
using kit::ScriptedPrompts;
using kit::WriteWholeFile;
using Shown = ScriptedPrompts::Shown;
using Kind = ScriptedPrompts::Kind;

const std::string kNoNameBox = "No Ini Name established!\rPlease try again";

class ConfigurationCommandsTest : public testing::Test {
protected:
    ConfigurationCommandsTest() {
        m_model.SetTargetCount(1);
        m_model.Target(0).SetType("<Ping>");
        m_model.Target(0).Addr = "10.0.0.1";
    }

    [[nodiscard]] int FilesInFolder() const {
        int count = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(m_dir.Path()))
            ++count;
        return count;
    }

    kit::TempDir m_dir;
    RunModel m_model;
    kit::FakeDisplay m_display;
    kit::FakeStatusLine m_status;
    ScriptedPrompts m_prompts{ScriptedPrompts::WhenUnscripted::Fail};
    ConfigurationCommands m_commands{m_model, m_display, m_status, m_prompts, "/opt/velnorix"};
};

TEST_F(ConfigurationCommandsTest, OpenOffersIniFilesFromTheProgramFolderAndLoadsTheChoice) {
    const std::string file = m_dir.File("mine.ini");
    WriteWholeFile(file, "[Targets]\r\nCount=1\r\n01Type=<SMTP>\r\n01Addr=relay\r\n");
    m_prompts.ChooseNextFileToOpen(file);
    EXPECT_TRUE(m_commands.Open());

    ASSERT_EQ(m_prompts.OpenDialogs().size(), 1u);
    const FileDialogOptions& options = m_prompts.OpenDialogs()[0];
    EXPECT_EQ(options.InitialDirectory, "/opt/velnorix");
    EXPECT_EQ(options.FilterName, "Ini File");
    EXPECT_EQ(options.FilterPattern, "*.ini");
    EXPECT_EQ(options.FileName, "");
    EXPECT_EQ(m_model.IniFileName, file);
    EXPECT_EQ(m_model.Target(0).Addr, "relay");
}

TEST_F(ConfigurationCommandsTest, CancelledOpenChangesNothing) {
    m_prompts.ChooseNextFileToOpen(std::nullopt);
    EXPECT_FALSE(m_commands.Open());
    EXPECT_TRUE(m_prompts.Boxes().empty());
    EXPECT_EQ(m_model.IniFileName, "");
    EXPECT_EQ(m_model.Target(0).Addr, "10.0.0.1");
}

TEST_F(ConfigurationCommandsTest, OpeningANameThatDoesNotExistMakesItTheNextSaveTarget) {
    const std::string file = m_dir.File("new.ini");
    m_prompts.ChooseNextFileToOpen(file);
    m_commands.Open();
    EXPECT_EQ(m_prompts.Boxes(),
              (std::vector<Shown>{{Kind::Error, "Ini file is empty!\rPlease try again."}}));
    EXPECT_EQ(m_model.TargetCount(), 0);
    EXPECT_EQ(m_model.Config.IntervalMins, 5);

    m_commands.Save(); // no dialog: the prompts would throw on an unscripted one
    EXPECT_TRUE(ReadWholeFile(file).starts_with("[Targets]\r\nDeleteLogs=TRUE\r\n"));
}

TEST_F(ConfigurationCommandsTest, SaveWithoutANameTakesTheSaveAsPath) {
    const std::string file = m_dir.File("chosen.ini");
    m_model.IniChanged = true;
    m_prompts.ChooseNextFileToSave(file);
    m_commands.Save();

    ASSERT_EQ(m_prompts.SaveDialogs().size(), 1u);
    const FileDialogOptions& options = m_prompts.SaveDialogs()[0];
    EXPECT_EQ(options.InitialDirectory, "/opt/velnorix");
    EXPECT_EQ(options.FileName, "Velnorix.Ini");
    EXPECT_EQ(options.DefaultExtension, "ini");
    EXPECT_EQ(options.FilterName, "");
    EXPECT_EQ(m_model.IniFileName, file);
    EXPECT_FALSE(m_model.IniChanged);
    EXPECT_EQ(m_status.Text(), file + " Saved");
    EXPECT_NE(ReadWholeFile(file).find("01Addr=10.0.0.1\r\n"), std::string::npos);
}

TEST_F(ConfigurationCommandsTest, SaveAfterOpenWritesBackWithoutADialog) {
    const std::string file = m_dir.File("opened.ini");
    WriteWholeFile(file, "[Targets]\r\nCount=1\r\n01Type=<Ping>\r\n01Addr=old\r\n");
    m_prompts.ChooseNextFileToOpen(file);
    m_commands.Open();
    m_model.Target(0).Addr = "changed";
    m_commands.Save();
    EXPECT_TRUE(m_prompts.SaveDialogs().empty());
    EXPECT_NE(ReadWholeFile(file).find("01Addr=changed\r\n"), std::string::npos);
}

TEST_F(ConfigurationCommandsTest, SaveAsAlwaysPresetsTheDefaultName) {
    m_model.IniFileName = m_dir.File("current.ini");
    m_prompts.ChooseNextFileToSave(m_dir.File("other.ini"));
    m_commands.SaveAs();
    EXPECT_EQ(m_prompts.SaveDialogs().at(0).FileName, "Velnorix.Ini");
    EXPECT_EQ(m_model.IniFileName, m_dir.File("other.ini"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("current.ini")));
}

TEST_F(ConfigurationCommandsTest, CancelledSaveAsWritesNothingAndKeepsNameAndFlag) {
    m_model.IniFileName = m_dir.File("current.ini");
    m_model.IniChanged = true;
    m_prompts.ChooseNextFileToSave(std::nullopt);
    m_commands.SaveAs();
    EXPECT_EQ(m_prompts.Boxes(), (std::vector<Shown>{{Kind::Confirmation, kNoNameBox}}));
    EXPECT_EQ(m_model.IniFileName, m_dir.File("current.ini"));
    EXPECT_TRUE(m_model.IniChanged);
    EXPECT_EQ(FilesInFolder(), 0);
    EXPECT_TRUE(m_status.History().empty());
}

TEST_F(ConfigurationCommandsTest, SaveAsKeepsTheChosenNameWhenTheWriteFails) {
    m_model.IniChanged = true;
    const std::string file = m_dir.File("no-such-folder/x.ini");
    m_prompts.ChooseNextFileToSave(file);
    try {
        m_commands.SaveAs();
        ADD_FAILURE() << "the save did not fail";
    } catch (const ConfigurationError& error) {
        EXPECT_STREQ(error.what(), "Failed to write value to INI file");
    }
    EXPECT_EQ(m_model.IniFileName, file);
    EXPECT_TRUE(m_model.IniChanged);
    EXPECT_TRUE(m_status.History().empty());
}

TEST_F(ConfigurationCommandsTest, NewResetsTheEntriesOnlyAndSaveWritesThemEmpty) {
    m_model.SetTargetCount(2);
    m_model.Target(1).Password = "secret";
    m_model.Target(1).Audible = false;
    m_model.Target(1).Port = 110;
    m_model.StatisticsOf(0).Attempts = 3;
    m_model.Config.IntervalHours = 2;
    m_model.IniFileName = m_dir.File("after-new.ini");
    m_display.Add("header");

    m_commands.New();
    for (const TargetSettings& entry : m_model.Config.Targets) {
        EXPECT_EQ(entry.Type, "");
        EXPECT_EQ(entry.Password, "");
        EXPECT_TRUE(entry.Audible);
        EXPECT_EQ(entry.Port, 0);
    }
    for (const TargetStatistics& figures : m_model.Statistics)
        EXPECT_EQ(figures.Attempts, 0);
    EXPECT_EQ(m_model.TargetCount(), 2);
    EXPECT_EQ(m_model.Config.IntervalHours, 2);
    EXPECT_FALSE(m_model.IniChanged);
    EXPECT_EQ(m_display.Lines(), std::vector<std::string>{"header"});
    EXPECT_TRUE(m_prompts.Boxes().empty());

    m_commands.Save();
    const std::string text = ReadWholeFile(m_model.IniFileName);
    for (const std::string p : {"01", "02"}) {
        const std::string entry = p + "Type=\r\n" + p + "Addr=\r\n" + p + "User=\r\n" + p +
                                  "Password=\r\n" + p + "Audible=TRUE\r\n" + p + "Port=0\r\n";
        EXPECT_NE(text.find(entry), std::string::npos) << text;
    }
}

TEST_F(ConfigurationCommandsTest, StartUpLoadsOnlyANamedFileThatExists) {
    const std::string file = m_dir.File("watch.ini");
    WriteWholeFile(file, "[Targets]\r\nCount=1\r\n01Type=<SMTP>\r\n01Addr=relay\r\n");
    struct Case {
        const char* What;
        std::vector<std::string> Arguments;
        bool Loaded;
    };
    const Case cases[] = {
        {"nothing named", {}, false},
        {"a bare name beside the program", {"watch.ini", "ignored.ini"}, true},
        {"a path", {file}, true},
        {"a bare name of nothing", {"absent.ini"}, false},
    };
    for (const Case& c : cases) {
        RunModel model;
        ScriptedPrompts prompts{ScriptedPrompts::WhenUnscripted::Fail};
        ConfigurationCommands commands{model, m_display, m_status, prompts, m_dir.Path()};
        EXPECT_EQ(commands.LoadFromCommandLine(c.Arguments), c.Loaded) << c.What;
        EXPECT_EQ(model.IniFileName, c.Loaded ? file : "") << c.What;
        EXPECT_EQ(model.TargetCount(), c.Loaded ? 1 : 0) << c.What;
        const std::vector<Shown> missing = {{Kind::Error, kNoNameBox}};
        const bool named = !c.Arguments.empty();
        EXPECT_EQ(prompts.Boxes(), named && !c.Loaded ? missing : std::vector<Shown>{}) << c.What;
    }
}

// The console's --parallel: every load after it takes it instead of the file's value.
TEST_F(ConfigurationCommandsTest, AParallelOverrideOutlastsTheLoad) {
    const std::string file = m_dir.File("three.ini");
    WriteWholeFile(file, "[Targets]\r\nParallel=3\r\nCount=1\r\n01Type=<Ping>\r\n");
    m_commands.LoadIniFile(file);
    EXPECT_EQ(m_model.Config.Parallel, 3);
    m_commands.OverrideParallel(40);
    ASSERT_TRUE(m_commands.LoadFromCommandLine({file}));
    EXPECT_EQ(m_model.Config.Parallel, 40);
}

TEST_F(ConfigurationCommandsTest, ClosingAsksOnlyAboutUnsavedChanges) {
    m_commands.AskToSaveOnClose();
    EXPECT_TRUE(m_prompts.Boxes().empty()) << "nothing to save, nothing asked";

    const Shown question{Kind::Question, "There is an unsaved Ini File;\rDo you wish to save?"};
    m_model.IniChanged = true;
    m_prompts.AnswerNextQuestion(false);
    m_commands.AskToSaveOnClose();
    EXPECT_EQ(m_prompts.Boxes(), std::vector<Shown>{question});
    EXPECT_EQ(FilesInFolder(), 0);

    // Yes without a name goes through SaveAs.
    m_prompts.AnswerNextQuestion(true);
    m_prompts.ChooseNextFileToSave(m_dir.File("at-close.ini"));
    m_commands.AskToSaveOnClose();
    EXPECT_EQ(m_prompts.SaveDialogs().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("at-close.ini")));
    EXPECT_FALSE(m_model.IniChanged);

    m_commands.AskToSaveOnClose();
    EXPECT_EQ(m_prompts.Boxes().size(), 2u) << "a completed save asks nothing";
}

} // namespace
} // namespace velnorix
