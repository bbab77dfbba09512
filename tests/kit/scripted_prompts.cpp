#include "kit/scripted_prompts.h"

#include <ostream>
#include <stdexcept>
#include <utility>

namespace velnorix::kit {

void ScriptedPrompts::ShowErrorBox(std::string_view message) {
    RecordBox(Kind::Error, message);
}

void ScriptedPrompts::ShowInformation(std::string_view message) {
    RecordBox(Kind::Information, message);
}

void ScriptedPrompts::ShowConfirmation(std::string_view message) {
    RecordBox(Kind::Confirmation, message);
}

bool ScriptedPrompts::AskYesNo(std::string_view message) {
    RecordBox(Kind::Question, message);
    return NextAnswer();
}

void ScriptedPrompts::ShowGeneralError(std::string_view message) {
    RecordBox(Kind::GeneralError, message);
}

std::optional<std::string> ScriptedPrompts::ChooseFileToOpen(const FileDialogOptions& options) {
    m_history.push_back({Kind::OpenDialog, options.FileName});
    m_openDialogs.push_back(options);
    return NextFile(m_openChoices, "open dialog");
}

std::optional<std::string> ScriptedPrompts::ChooseFileToSave(const FileDialogOptions& options) {
    m_history.push_back({Kind::SaveDialog, options.FileName});
    m_saveDialogs.push_back(options);
    return NextFile(m_saveChoices, "save dialog");
}

void ScriptedPrompts::ChooseNextFileToOpen(std::optional<std::string> file) {
    m_openChoices.push_back(std::move(file));
}

void ScriptedPrompts::ChooseNextFileToSave(std::optional<std::string> file) {
    m_saveChoices.push_back(std::move(file));
}

std::vector<ScriptedPrompts::Kind> ScriptedPrompts::Kinds() const {
    std::vector<Kind> kinds;
    for (const Shown& shown : m_history)
        kinds.push_back(shown.What);
    return kinds;
}

std::vector<std::string> ScriptedPrompts::Texts(Kind kind) const {
    std::vector<std::string> texts;
    for (const Shown& box : m_boxes) {
        if (box.What == kind)
            texts.push_back(box.Text);
    }
    return texts;
}

void ScriptedPrompts::Clear() {
    m_history.clear();
    m_boxes.clear();
    m_openDialogs.clear();
    m_saveDialogs.clear();
}

void ScriptedPrompts::RecordBox(Kind kind, std::string_view message) {
    m_history.push_back({kind, std::string(message)});
    m_boxes.push_back(m_history.back());
}

bool ScriptedPrompts::NextAnswer() {
    if (m_answers.empty()) {
        if (m_whenUnscripted == WhenUnscripted::Fail)
            throw std::logic_error("unexpected question");
        return false;
    }
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

std::optional<std::string> ScriptedPrompts::NextFile(std::deque<std::optional<std::string>>& files,
                                                     const char* dialog) {
    if (files.empty()) {
        if (m_whenUnscripted == WhenUnscripted::Fail)
            throw std::logic_error(std::string("unexpected ") + dialog);
        return std::nullopt;
    }
    std::optional<std::string> file = std::move(files.front());
    files.pop_front();
    return file;
}

void PrintTo(ScriptedPrompts::Kind kind, std::ostream* out) {
    // In the order of the enumeration.
    static constexpr const char* kNames[] = {
        "error box",     "information box", "confirmation box", "yes/no question",
        "general error", "open dialog",     "save dialog"};
    *out << kNames[static_cast<int>(kind)];
}

void PrintTo(const ScriptedPrompts::Shown& shown, std::ostream* out) {
    PrintTo(shown.What, out);
    *out << " \"" << shown.Text << '"';
}

} // namespace velnorix::kit
