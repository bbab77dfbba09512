#pragma once

#include "engine/host.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace velnorix::testing {

// Message boxes and file dialogs answered in advance: every prompt is recorded, questions take
// the next scripted answer (No when none is left), dialogs the next scripted file (cancel when
// none is left).
class FakePrompts final : public UserPrompts {
public:
    struct Shown {
        std::string Kind; // "error", "information", "confirmation", "yes-no", "general",
                          // "open", "save"
        std::string Text; // the message, or the dialog's preset file name
        FileDialogOptions Dialog;
    };

    void ShowErrorBox(std::string_view message) override;
    void ShowInformation(std::string_view message) override;
    void ShowConfirmation(std::string_view message) override;
    bool AskYesNo(std::string_view message) override;
    void ShowGeneralError(std::string_view message) override;
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions& options) override;

    void AnswerNext(bool yes) { m_answers.push_back(yes); }
    void ChooseNext(std::optional<std::string> file) { m_files.push_back(std::move(file)); }

    [[nodiscard]] const std::vector<Shown>& History() const { return m_history; }
    // The kinds of everything shown, oldest first.
    [[nodiscard]] std::vector<std::string> Kinds() const;
    void Clear() { m_history.clear(); }

private:
    std::optional<std::string> NextFile();

    std::vector<Shown> m_history;
    std::deque<bool> m_answers;
    std::deque<std::optional<std::string>> m_files;
};

} // namespace velnorix::testing
