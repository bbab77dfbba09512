#pragma once

#include "engine/host.h"

#include <functional>
#include <string>

namespace velnorix {

class ErrorSound;
class PumpPointGate;

// The engine's view of the window's event loop. Blocking work runs on a worker thread while
// the window goes on painting and answering clicks; held actions wait for the next pump point.
class QtHostServices final : public HostServices {
public:
    QtHostServices(PumpPointGate& gate, ErrorSound& sound, std::string logDirectory);
    // `playSound` plays the alert sound in place of an ErrorSound.
    QtHostServices(PumpPointGate& gate, std::function<void()> playSound, std::string logDirectory);

    void PumpMessages() override;
    void PlayErrorSound() override;
    void RunBlocking(const std::function<void()>& work) override;
    [[nodiscard]] std::string LogDirectory() const override { return m_logDirectory; }
    [[nodiscard]] bool ProgramEnded() const override { return m_ended; }
    // The window has carried out its closing steps.
    void EndProgram() { m_ended = true; }

private:
    PumpPointGate& m_gate;
    std::function<void()> m_playSound;
    std::string m_logDirectory;
    bool m_ended = false;
};

} // namespace velnorix
