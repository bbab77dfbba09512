#pragma once

#include "engine/host.h"
#include "engine/run_model.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

inline constexpr std::string_view kNoIniNameMessage = "No Ini Name established!\rPlease try again";
inline constexpr std::string_view kUnsavedIniQuestion =
    "There is an unsaved Ini File;\rDo you wish to save?";
inline constexpr std::string_view kSaveAsPresetName = "Velnorix.Ini";

// The File and Configure menu commands that create, open and save the configuration file, and
// the question about unsaved changes when the main window closes. The desktop shell and the
// console front end call these; errors meant for the general error display leave as
// ConfigurationError, and the caller shows them.
class ConfigurationCommands final {
public:
    ConfigurationCommands(RunModel& model, DisplayLines& display, StatusLine& status,
                          UserPrompts& prompts, std::string configurationDirectory);

    // File > New: every table entry back to its initial state; count, interval, file name and
    // flags stay.
    void New();
    // File > Open: loads the configuration chosen in the file dialog; false when the operator
    // cancelled it.
    bool Open();
    // Configure > Save: saves to IniFileName, or asks for a name as SaveAs does when there is
    // none yet.
    void Save();
    // Configure > SaveAs: saves under a name chosen in the file dialog.
    void SaveAs();
    // Puts the file's configuration in force in one step and makes it the file of the next
    // Save, then paints the display's header, or shows "Ini file is empty!" for a file without
    // targets. A file that cannot be taken changes nothing.
    void LoadIniFile(const std::string& fileName);
    // The start-up of the window and the console alike: the configuration named by the first
    // command-line parameter (ConfigurationFileFromArguments) is loaded and the result is true.
    // False when none is named, or, after the error box kNoIniNameMessage, when it does not exist.
    bool LoadFromCommandLine(const std::vector<std::string>& arguments);
    void SaveIniFile(const std::string& fileName);
    // Offers to save unsaved changes, Yes or No; the window closes whatever the answer.
    void AskToSaveOnClose();
    // From the next load on, every configuration that loads runs this many probes at once,
    // whatever its file says; the file's own value is still checked.
    void OverrideParallel(std::int32_t parallel) { m_parallelOverride = parallel; }

private:
    RunModel& m_model;
    DisplayLines& m_display;
    StatusLine& m_status;
    UserPrompts& m_prompts;
    std::string m_configurationDirectory;
    std::optional<std::int32_t> m_parallelOverride;
};

} // namespace velnorix
