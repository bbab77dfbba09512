#include "app/error_sound.h"

#include "app/pump_point_gate.h"
#include "app/resources.h"
#include "app/wave_clip.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QTimer>

namespace velnorix {
namespace {

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

ErrorSound::ErrorSound(PumpPointGate& gate, const QString& resource,
                       std::chrono::milliseconds extraWait)
    : m_gate(gate), m_extraWait(extraWait) {
    RegisterProgramResources();
    QFile file(resource);
    if (file.open(QIODevice::ReadOnly))
        m_image = file.readAll();
}

bool ErrorSound::Loaded() const {
    return ParseWave(View(m_image)).has_value();
}

void ErrorSound::PlayToEnd() {
    const std::optional<WaveClip> clip = ParseWave(View(m_image));
    if (!clip)
        return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;

    QAudioFormat format;
    format.setSampleRate(clip->SampleRate);
    format.setChannelCount(clip->Channels);
    format.setSampleFormat(clip->BitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);

    QBuffer samples;
    samples.setData(clip->Samples.data(), static_cast<qsizetype>(clip->Samples.size()));
    samples.open(QIODevice::ReadOnly);

    QAudioSink sink(device, format);
    QEventLoop loop;
    QObject::connect(&sink, &QAudioSink::stateChanged, &loop, [&loop](QAudio::State state) {
        // Idle: every sample was played; Stopped: the device gave up.
        if (state == QAudio::IdleState || state == QAudio::StoppedState)
            loop.quit();
    });
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);

    const PumpPointGate::BlockingStep step(m_gate);
    sink.start(&samples);
    if (sink.state() == QAudio::ActiveState) {
        bound.start(static_cast<int>(clip->DurationMs() + m_extraWait.count()));
        loop.exec();
    }
    sink.stop();
}

} // namespace velnorix
