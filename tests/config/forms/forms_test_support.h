#pragma once

#include "config/forms/modal_runner.h"
#include "engine/host.h"

#include <QDialog>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velnorix::testing {

// Message boxes answered at once, with every message kept for the test to read.
class RecordingPrompts final : public UserPrompts {
public:
    void ShowErrorBox(std::string_view message) override { ErrorBoxes.emplace_back(message); }
    void ShowInformation(std::string_view message) override { Others.emplace_back(message); }
    void ShowConfirmation(std::string_view message) override { Others.emplace_back(message); }
    bool AskYesNo(std::string_view message) override {
        Others.emplace_back(message);
        return false;
    }
    void ShowGeneralError(std::string_view message) override {
        GeneralErrors.emplace_back(message);
    }
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions&) override {
        return std::nullopt;
    }

    std::vector<std::string> ErrorBoxes;
    std::vector<std::string> GeneralErrors;
    std::vector<std::string> Others;
};

// Plays the part of the modal loops: each dialog that would be shown is handed to the next
// step, which works its controls and returns the dialog's result. Nested dialogs (the editor
// opened from the list) take the steps that follow.
class DialogScript final {
public:
    using Step = std::function<int(QDialog&)>;

    void Then(Step step) { m_steps.push_back(std::move(step)); }
    [[nodiscard]] ModalRunner Runner() {
        return [this](QDialog& dialog) { return Run(dialog); };
    }
    [[nodiscard]] bool Finished() const { return m_steps.empty(); }
    [[nodiscard]] int DialogsShown() const { return m_shown; }

private:
    int Run(QDialog& dialog) {
        ++m_shown;
        if (m_steps.empty())
            throw std::logic_error("a dialog was shown that the test did not expect");
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        return step(dialog);
    }

    std::deque<Step> m_steps;
    int m_shown = 0;
};

// A control of a dialog by its designer name; a missing one fails the test.
template <class Widget>
Widget& Control(const QObject& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget)
        throw std::logic_error(std::string("no control named ") + name);
    return *widget;
}

template <class Form>
Form& As(QDialog& dialog) {
    auto* form = qobject_cast<Form*>(&dialog);
    if (!form)
        throw std::logic_error("a different dialog was shown");
    return *form;
}

} // namespace velnorix::testing
