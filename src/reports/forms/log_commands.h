#pragma once

#include "engine/host.h"
#include "engine/run_model.h"
#include "reports/log_files.h"

#include <string>

class QWidget;

namespace velnorix {

// The View menu's log commands. The active log names are read from the model at each click.
class LogCommands final {
public:
    LogCommands(QWidget* parent, const RunModel& model, UserPrompts& prompts,
                std::string logDirectory);

    // The active run's detail log, with the failure search.
    void ShowDetailLog();
    // The active run's summary log, without it.
    void ShowSummaryLog();
    // A detail or summary log of an earlier run, chosen in the file dialog.
    void ShowInactiveDetailLog();
    void ShowInactiveSummaryLog();
    // Deletes the active run's logs without asking; a running test is not stopped.
    void DeleteLogFiles();

private:
    void ShowInactiveLog(LogKind kind);

    QWidget* m_parent;
    const RunModel& m_model;
    UserPrompts& m_prompts;
    std::string m_logDirectory;
};

} // namespace velnorix
