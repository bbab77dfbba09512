#pragma once

#include "engine/host.h"

#include <cstdio>
#include <functional>
#include <string>

namespace velnorix {

class ConsoleStatus;

// The program around the engine on a console: probes run inline, the pump hands a pending
// stop request to the engine, the alert is the terminal bell.
class ConsoleHost final : public HostServices {
public:
    ConsoleHost(std::string logDirectory, bool ringBell, std::FILE* terminal)
        : m_logDirectory(std::move(logDirectory)), m_ringBell(ringBell), m_terminal(terminal) {}

    // What a pump point runs: the console's only "message" is a stop request.
    void SetPumpHandler(std::function<void()> handler) { m_pump = std::move(handler); }
    // What tells the cycle to probe no further target.
    void SetCutShortQuery(std::function<bool()> query) { m_cutShort = std::move(query); }

    void PumpMessages() override;
    void PlayErrorSound() override;
    void RunBlocking(const std::function<void()>& work) override { work(); }
    std::string LogDirectory() const override { return m_logDirectory; }
    bool CutCycleShort() const override { return m_cutShort && m_cutShort(); }

private:
    std::string m_logDirectory;
    bool m_ringBell;
    std::FILE* m_terminal;
    std::function<void()> m_pump;
    std::function<bool()> m_cutShort;
    bool m_inPump = false;
};

// Messages go to standard error with their line breaks; there is nobody to answer a question
// or pick a file, so questions get "No" and file dialogs are cancelled.
class ConsolePrompts final : public UserPrompts {
public:
    ConsolePrompts(std::FILE* errors, ConsoleStatus& status) : m_errors(errors), m_status(status) {}

    void ShowErrorBox(std::string_view message) override { Print("Error: ", message); }
    void ShowInformation(std::string_view message) override { Print("", message); }
    void ShowConfirmation(std::string_view message) override { Print("", message); }
    bool AskYesNo(std::string_view message) override;
    void ShowGeneralError(std::string_view message) override;
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions&) override { return {}; }
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions&) override { return {}; }

private:
    void Print(std::string_view prefix, std::string_view message);

    std::FILE* m_errors;
    ConsoleStatus& m_status;
};

} // namespace velnorix
