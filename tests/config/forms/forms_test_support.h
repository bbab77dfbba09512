#pragma once

#include "config/forms/modal_runner.h"

#include <QDialog>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>

namespace velnorix::kit {

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

} // namespace velnorix::kit
