#pragma once

#include "app/main_form.h"
#include "app/main_menus.h"
#include "base/text_file.h"
#include "gui_waits.h"
#include "kit/scripted_prompts.h"
#include "scripted_probes.h"
#include "support/temp_dir.h"

#include <QMenu>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velnorix::kit {

// A main window over scripted probes and prompts, its program folder a fresh temporary one.
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

    // A shown window that has opened watch.ini, a configuration of `text`, through File, Open.
    std::unique_ptr<TMainForm> Opened(const std::string& text) {
        WriteWholeFile(m_dir.File("watch.ini"), text);
        m_prompts.ChooseNextFileToOpen(m_dir.File("watch.ini"));
        auto form = Start();
        form->show();
        form->Menus().Open1->trigger();
        return form;
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
