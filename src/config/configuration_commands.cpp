#include "config/configuration_commands.h"

#include "base/text_file.h"
#include "config/command_line.h"
#include "config/configuration_file.h"
#include "config/ini_values.h"
#include "engine/display_header.h"

#include <utility>

namespace velnorix {

ConfigurationCommands::ConfigurationCommands(RunModel& model, DisplayLines& display,
                                             StatusLine& status, UserPrompts& prompts,
                                             std::string configurationDirectory)
    : m_model(model), m_display(display), m_status(status), m_prompts(prompts),
      m_configurationDirectory(std::move(configurationDirectory)) {}

void ConfigurationCommands::New() {
    m_model.ResetTargets();
}

bool ConfigurationCommands::Open() {
    FileDialogOptions options;
    options.InitialDirectory = m_configurationDirectory;
    options.FilterName = "Ini File";
    options.FilterPattern = "*.ini";
    const auto chosen = m_prompts.ChooseFileToOpen(options);
    if (chosen)
        LoadIniFile(*chosen);
    return chosen.has_value();
}

void ConfigurationCommands::Save() {
    if (m_model.IniFileName.empty())
        SaveAs();
    else
        SaveIniFile(m_model.IniFileName);
}

void ConfigurationCommands::SaveAs() {
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
    Result<Configuration> loaded = ReadConfigurationFile(fileName, m_model.Config);
    if (!loaded)
        throw ConfigurationError(loaded.Message());
    if (m_parallelOverride)
        loaded->Parallel = *m_parallelOverride;
    m_model.UseConfiguration(std::move(*loaded));
    m_model.IniFileName = fileName;
    if (m_model.TargetCount() == 0)
        m_prompts.ShowErrorBox(kIniFileEmptyMessage);
    else
        ShowTargetHeader(m_model.Config, m_display);
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
    velnorix::SaveIniFile(m_model.Config, m_status, fileName);
    m_model.IniChanged = false;
}

void ConfigurationCommands::AskToSaveOnClose() {
    if (m_model.IniChanged && m_prompts.AskYesNo(kUnsavedIniQuestion))
        Save();
}

} // namespace velnorix
