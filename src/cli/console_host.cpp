#include "cli/console_host.h"

#include "cli/console_display.h"

#include <algorithm>

namespace velnorix {

void ConsoleHost::PumpMessages() {
    // A stop handled here pumps once more itself; that inner pump has nothing left to do.
    if (m_inPump || !m_pump)
        return;
    m_inPump = true;
    try {
        m_pump();
    } catch (...) {
        m_inPump = false;
        throw;
    }
    m_inPump = false;
}

void ConsoleHost::PlayErrorSound() {
    if (!m_ringBell)
        return;
    std::fputc('\a', m_terminal);
    std::fflush(m_terminal);
}

bool ConsolePrompts::AskYesNo(std::string_view message) {
    Print("", message);
    return false;
}

void ConsolePrompts::ShowGeneralError(std::string_view message) {
    Print("Error: ", GeneralErrorText(message));
}

void ConsolePrompts::Print(std::string_view prefix, std::string_view message) {
    std::string text(message);
    std::replace(text.begin(), text.end(), '\r', '\n');
    m_status.Erase();
    std::fprintf(m_errors, "%.*s%s\n", static_cast<int>(prefix.size()), prefix.data(),
                 text.c_str());
    std::fflush(m_errors);
}

} // namespace velnorix
