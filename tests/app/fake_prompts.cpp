#include "fake_prompts.h"

namespace velnorix::testing {

void FakePrompts::ShowErrorBox(std::string_view message) {
    m_history.push_back({"error", std::string(message), {}});
}

void FakePrompts::ShowInformation(std::string_view message) {
    m_history.push_back({"information", std::string(message), {}});
}

void FakePrompts::ShowConfirmation(std::string_view message) {
    m_history.push_back({"confirmation", std::string(message), {}});
}

bool FakePrompts::AskYesNo(std::string_view message) {
    m_history.push_back({"yes-no", std::string(message), {}});
    if (m_answers.empty())
        return false;
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

void FakePrompts::ShowGeneralError(std::string_view message) {
    m_history.push_back({"general", GeneralErrorText(message), {}});
}

std::optional<std::string> FakePrompts::ChooseFileToOpen(const FileDialogOptions& options) {
    m_history.push_back({"open", options.FileName, options});
    return NextFile();
}

std::optional<std::string> FakePrompts::ChooseFileToSave(const FileDialogOptions& options) {
    m_history.push_back({"save", options.FileName, options});
    return NextFile();
}

std::vector<std::string> FakePrompts::Kinds() const {
    std::vector<std::string> kinds;
    for (const Shown& shown : m_history)
        kinds.push_back(shown.Kind);
    return kinds;
}

std::optional<std::string> FakePrompts::NextFile() {
    if (m_files.empty())
        return std::nullopt;
    std::optional<std::string> file = m_files.front();
    m_files.pop_front();
    return file;
}

} // namespace velnorix::testing
