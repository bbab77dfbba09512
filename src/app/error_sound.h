#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

namespace velnorix {

class PumpPointGate;

// The alert sound, played to its end on the default audio output. Without an output device,
// or with a sound the device refuses, it returns at once and says nothing.
class ErrorSound final {
public:
    static QString DefaultResource() { return QStringLiteral(":/sound/ErrorSound.wav"); }

    // `extraWait` bounds how long past the sound's own length a stuck device may hold us.
    explicit ErrorSound(PumpPointGate& gate, const QString& resource = DefaultResource(),
                        std::chrono::milliseconds extraWait = std::chrono::milliseconds(1000));

    void PlayToEnd();
    // Whether the resource held a sound that can be played.
    [[nodiscard]] bool Loaded() const;

private:
    PumpPointGate& m_gate;
    QByteArray m_image;
    std::chrono::milliseconds m_extraWait;
};

} // namespace velnorix
