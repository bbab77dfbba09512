#pragma once

#include "engine/host.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace velnorix::testing {

// Message boxes and file dialogs answered in advance: every message is recorded with its kind,
// every open dialog takes the next queued answer (cancel when none is left).
class RecordingPrompts final : public UserPrompts {
public:
    enum class Kind { Error, Information, Confirmation, Question, GeneralError };
    struct Message {
        Kind BoxKind;
        std::string Text;
        friend bool operator==(const Message&, const Message&) = default;
    };

    void ShowErrorBox(std::string_view message) override { Record(Kind::Error, message); }
    void ShowInformation(std::string_view message) override { Record(Kind::Information, message); }
    void ShowConfirmation(std::string_view message) override {
        Record(Kind::Confirmation, message);
    }
    bool AskYesNo(std::string_view message) override {
        Record(Kind::Question, message);
        return false;
    }
    void ShowGeneralError(std::string_view message) override {
        Record(Kind::GeneralError, message);
    }
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions& options) override;

    void QueueFileChoice(std::optional<std::string> answer) {
        m_answers.push_back(std::move(answer));
    }
    [[nodiscard]] const std::vector<Message>& Messages() const { return m_messages; }
    [[nodiscard]] const std::vector<FileDialogOptions>& Dialogs() const { return m_dialogs; }
    void Clear() { m_messages.clear(); }

private:
    void Record(Kind kind, std::string_view text) {
        m_messages.push_back({kind, std::string(text)});
    }
    std::optional<std::string> NextAnswer(const FileDialogOptions& options);

    std::vector<Message> m_messages;
    std::vector<FileDialogOptions> m_dialogs;
    std::deque<std::optional<std::string>> m_answers;
};

inline std::optional<std::string> RecordingPrompts::NextAnswer(const FileDialogOptions& options) {
    m_dialogs.push_back(options);
    if (m_answers.empty())
        return std::nullopt;
    std::optional<std::string> answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer;
}

inline std::optional<std::string>
RecordingPrompts::ChooseFileToOpen(const FileDialogOptions& options) {
    return NextAnswer(options);
}

inline std::optional<std::string>
RecordingPrompts::ChooseFileToSave(const FileDialogOptions& options) {
    return NextAnswer(options);
}

} // namespace velnorix::testing
