#pragma once

#include "engine/host.h"

#include <deque>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix::kit {

// Message boxes and file dialogs answered in advance. Everything shown is recorded in order;
// a question takes the next scripted answer, each dialog the next file scripted for its kind.
class ScriptedPrompts final : public UserPrompts {
public:
    enum class Kind {
        Error,
        Information,
        Confirmation,
        Question,
        GeneralError,
        OpenDialog,
        SaveDialog
    };
    // What a question or dialog gets once its answers run out: No and cancel, or a thrown
    // std::logic_error that fails the test instead of guessing an answer.
    enum class WhenUnscripted { Decline, Fail };

    struct Shown {
        Kind What;
        std::string Text; // the message as passed, or the dialog's preset file name
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    explicit ScriptedPrompts(WhenUnscripted whenUnscripted = WhenUnscripted::Decline)
        : m_whenUnscripted(whenUnscripted) {}

    void ShowErrorBox(std::string_view message) override;
    void ShowInformation(std::string_view message) override;
    void ShowConfirmation(std::string_view message) override;
    bool AskYesNo(std::string_view message) override;
    void ShowGeneralError(std::string_view message) override;
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions& options) override;

    void AnswerNextQuestion(bool yes) { m_answers.push_back(yes); }
    void ChooseNextFileToOpen(std::optional<std::string> file);
    void ChooseNextFileToSave(std::optional<std::string> file);

    // Message boxes and dialogs, oldest first.
    [[nodiscard]] const std::vector<Shown>& History() const { return m_history; }
    [[nodiscard]] std::vector<Kind> Kinds() const;
    // Message boxes only, oldest first.
    [[nodiscard]] const std::vector<Shown>& Boxes() const { return m_boxes; }
    // The messages of one kind of box, oldest first.
    [[nodiscard]] std::vector<std::string> Texts(Kind kind) const;
    [[nodiscard]] const std::vector<FileDialogOptions>& OpenDialogs() const {
        return m_openDialogs;
    }
    [[nodiscard]] const std::vector<FileDialogOptions>& SaveDialogs() const {
        return m_saveDialogs;
    }
    // Forgets what was shown; answers still scripted stay.
    void Clear();

private:
    void RecordBox(Kind kind, std::string_view message);
    bool NextAnswer();
    std::optional<std::string> NextFile(std::deque<std::optional<std::string>>& files,
                                        const char* dialog);

    WhenUnscripted m_whenUnscripted;
    std::vector<Shown> m_history;
    std::vector<Shown> m_boxes;
    std::vector<FileDialogOptions> m_openDialogs;
    std::vector<FileDialogOptions> m_saveDialogs;
    std::deque<bool> m_answers;
    std::deque<std::optional<std::string>> m_openChoices;
    std::deque<std::optional<std::string>> m_saveChoices;
};

// Readable failure messages in GoogleTest.
void PrintTo(ScriptedPrompts::Kind kind, std::ostream* out);
void PrintTo(const ScriptedPrompts::Shown& shown, std::ostream* out);

} // namespace velnorix::kit
