#include "app/qt_host_services.h"

#include "app/error_sound.h"
#include "app/pump_point_gate.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <exception>
#include <thread>
#include <utility>

namespace velnorix {

QtHostServices::QtHostServices(PumpPointGate& gate, ErrorSound& sound, std::string logDirectory)
    : QtHostServices(
          gate, [&sound] { sound.PlayToEnd(); }, std::move(logDirectory)) {}

QtHostServices::QtHostServices(PumpPointGate& gate, std::function<void()> playSound,
                               std::string logDirectory)
    : m_gate(gate), m_playSound(std::move(playSound)), m_logDirectory(std::move(logDirectory)) {}

void QtHostServices::PumpMessages() {
    m_gate.RunHeldActions();
    QCoreApplication::processEvents();
}

void QtHostServices::PlayErrorSound() {
    m_playSound();
}

void QtHostServices::RunBlocking(const std::function<void()>& work) {
    const PumpPointGate::BlockingStep step(m_gate);
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&work, &failure, &loop] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued: the loop may not have started yet, and it lives on the window's thread.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Clicks and keys are handled meanwhile: a menu opens at once, and a command that would
    // change what the cycle reads is held by the gate until the cycle's end.
    loop.exec();
    // The loop also ends when the application quits; the work still has to finish first.
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace velnorix
