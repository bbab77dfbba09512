#include "reports/forms/log_commands.h"

#include "reports/forms/log_display_form.h"

namespace velnorix {

LogCommands::LogCommands(QWidget* parent, const RunModel& model, UserPrompts& prompts,
                         std::string logDirectory)
    : m_parent(parent), m_model(model), m_prompts(prompts),
      m_logDirectory(std::move(logDirectory)) {}

void LogCommands::ShowDetailLog() {
    ShowLogFile(m_parent, m_prompts, m_model.DetailLogName, true);
}

void LogCommands::ShowSummaryLog() {
    ShowLogFile(m_parent, m_prompts, m_model.SummaryLogName, false);
}

void LogCommands::ShowInactiveDetailLog() {
    ShowInactiveLog(LogKind::Detail);
}

void LogCommands::ShowInactiveSummaryLog() {
    ShowInactiveLog(LogKind::Summary);
}

void LogCommands::DeleteLogFiles() {
    velnorix::DeleteLogFiles(m_model);
}

void LogCommands::ShowInactiveLog(LogKind kind) {
    const bool detail = kind == LogKind::Detail;
    const std::optional<std::string> chosen = ChooseInactiveLog(
        m_prompts, m_logDirectory, kind, detail ? m_model.DetailLogName : m_model.SummaryLogName);
    if (chosen)
        ShowLogFile(m_parent, m_prompts, *chosen, detail);
}

} // namespace velnorix
