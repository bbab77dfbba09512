#include "config/configuration_commands.h"

#include "base/text_file.h"
#include "config/command_line.h"
#include "config/configuration_file.h"

#include <utility>

namespace velnorix {

ConfigurationCommands::ConfigurationCommands(RunModel& model, DisplayLines& display,
                                             StatusLine& status, UserPrompts& prompts,
                                             std::string configurationDirectory)
    : m_model(model), m_display(display), m_status(status), m_prompts(prompts),
      m_configurationDirectory(std::move(configurationDirectory)) {}

void ConfigurationCommands::New1Click() {
    m_model.ResetTargets();
}

void ConfigurationCommands::Open1Click() {
    FileDialogOptions options;
    options.InitialDirectory = m_configurationDirectory;
    options.FilterName = "Ini File";
    options.FilterPattern = "*.ini";
    if (const auto chosen = m_prompts.ChooseFileToOpen(options))
        LoadIniFile(*chosen);
}

void ConfigurationCommands::Save2Click() {
    if (m_model.IniFileName.empty())
        SaveAs2Click();
    else
        SaveIniFile(m_model.IniFileName);
}

void ConfigurationCommands::SaveAs2Click() {
    FileDialogOptions options;
    options.InitialDirectory = m_configurationDirectory;
    options.FileName = kSaveAsPresetName;
    options.DefaultExtension = "ini";
    const auto chosen = m_prompts.ChooseFileToSave(options);
    if (!chosen) {
        m_prompts.ShowConfirmation(kNoIniNameMessage);
        return;
    }
    m_model.IniFileName = *chosen;
    SaveIniFile(m_model.IniFileName);
}

void ConfigurationCommands::LoadIniFile(const std::string& fileName) {
    velnorix::LoadIniFile(m_model, m_display, m_prompts, fileName);
    if (m_parallelOverride)
        m_model.Parallel = *m_parallelOverride;
}

bool ConfigurationCommands::LoadFromCommandLine(const std::vector<std::string>& arguments) {
    const std::optional<std::string> fileName =
        ConfigurationFileFromArguments(arguments, m_configurationDirectory);
    if (!fileName)
        return false;
    if (!NameExists(*fileName)) {
        m_prompts.ShowErrorBox(kNoIniNameMessage);
        return false;
    }
    LoadIniFile(*fileName);
    return true;
}

void ConfigurationCommands::SaveIniFile(const std::string& fileName) {
    velnorix::SaveIniFile(m_model, m_status, fileName);
}

void ConfigurationCommands::AskToSaveOnClose() {
    if (m_model.IniChanged && m_prompts.AskYesNo(kUnsavedIniQuestion))
        Save2Click();
}

} // namespace velnorix
