#pragma once

#include "app/main_form.h"
#include "app/main_menus.h"
#include "kit/scripted_prompts.h"
#include "scripted_probes.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QMenu>
#include <QPoint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velnorix::kit {

// Texts of the window's own prompts.
inline constexpr const char* kNoIniName = "No Ini Name established!\rPlease try again";
inline constexpr const char* kUnsavedQuestion =
    "There is an unsaved Ini File;\rDo you wish to save?";

// The main window started on scripted probes and prompts in a folder of its own; shared by the
// window's own tests and those of commands that arrive while a cycle runs.
class MainFormTest : public testing::Test {
protected:
    std::unique_ptr<TMainForm> Start(std::vector<std::string> arguments = {},
                                     std::string programDirectory = {}) {
        return std::make_unique<TMainForm>(WindowSetup(
            m_probes, m_prompts, programDirectory.empty() ? m_dir.Path() : programDirectory,
            std::move(arguments)));
    }

    static bool StartItemsEnabled(TMainForm& form) {
        EXPECT_EQ(form.Menus().StartTest1->isEnabled(), form.Menus().StartTest2->isEnabled());
        return form.Menus().StartTest1->isEnabled();
    }

    // Opens the context menu as a right click would and closes it again.
    static void OpenAndCloseContextMenu(TMainForm& form) {
        form.OpenPopupMenu(form.mapToGlobal(QPoint(50, 80)));
        form.Menus().PopupMenu1->close();
    }

    TempDir m_dir;
    ScriptedPrompts m_prompts;
    ScriptedProbes m_probes;
};

} // namespace velnorix::kit
