#pragma once

#include "engine/host.h"

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velnorix::testing {

// Message boxes and file dialogs answered in advance. Every box shown is recorded; a dialog or
// question without a prepared answer fails the test instead of guessing one.
class ScriptedPrompts final : public UserPrompts {
public:
    struct Shown {
        std::string Kind; // "error", "information", "confirmation", "question", "general"
        std::string Message;
        bool operator==(const Shown&) const = default;
    };

    void ShowErrorBox(std::string_view message) override { Record("error", message); }
    void ShowInformation(std::string_view message) override { Record("information", message); }
    void ShowConfirmation(std::string_view message) override { Record("confirmation", message); }
    void ShowGeneralError(std::string_view message) override { Record("general", message); }
    bool AskYesNo(std::string_view message) override {
        Record("question", message);
        return Next(m_answers, "question");
    }
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& options) override {
        m_openDialogs.push_back(options);
        return Next(m_openChoices, "open dialog");
    }
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions& options) override {
        m_saveDialogs.push_back(options);
        return Next(m_saveChoices, "save dialog");
    }

    void AnswerNextQuestion(bool yes) { m_answers.push_back(yes); }
    void ChooseNextFileToOpen(std::optional<std::string> name) { m_openChoices.push_back(name); }
    void ChooseNextFileToSave(std::optional<std::string> name) { m_saveChoices.push_back(name); }

    [[nodiscard]] const std::vector<Shown>& Boxes() const { return m_boxes; }
    [[nodiscard]] const std::vector<FileDialogOptions>& OpenDialogs() const {
        return m_openDialogs;
    }
    [[nodiscard]] const std::vector<FileDialogOptions>& SaveDialogs() const {
        return m_saveDialogs;
    }

private:
    void Record(const char* kind, std::string_view message) {
        m_boxes.push_back({kind, std::string(message)});
    }
    template <typename T>
    static T Next(std::deque<T>& answers, const char* what) {
        if (answers.empty())
            throw std::logic_error(std::string("unexpected ") + what);
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<Shown> m_boxes;
    std::deque<bool> m_answers;
    std::deque<std::optional<std::string>> m_openChoices;
    std::deque<std::optional<std::string>> m_saveChoices;
    std::vector<FileDialogOptions> m_openDialogs;
    std::vector<FileDialogOptions> m_saveDialogs;
};

} // namespace velnorix::testing
