#include "app/error_sound.h"
#include "app/pump_point_gate.h"
#include "app/resources.h"
#include "app/wave_clip.h"

#include <QFile>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace velnorix {
namespace {

std::string Le(std::uint32_t value, int width) {
    std::string bytes;
    for (int i = 0; i < width; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string Chunk(const std::string& id, const std::string& body) {
    return id + Le(static_cast<std::uint32_t>(body.size()), 4) + body +
           (body.size() % 2 ? std::string(1, '\0') : std::string());
}

std::string PcmFormat(std::uint32_t tag, std::uint32_t channels, std::uint32_t rate,
                      std::uint32_t bits) {
    const std::uint32_t align = channels * bits / 8;
    return Le(tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * align, 4) + Le(align, 2) +
           Le(bits, 2);
}

std::string Riff(const std::string& chunks) {
    return "RIFF" + Le(static_cast<std::uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
}

TEST(WaveClipTest, ReadsPcmImagesAndRefusesOthers) {
    const std::string samples(9952, '\x80');
    const std::string mono8 = PcmFormat(1, 1, 22050, 8);
    struct Case {
        const char* Name;
        std::string Image;
        bool Plays;
        std::size_t Samples;
    };
    const Case cases[] = {
        {"8-bit mono", Riff(Chunk("fmt ", mono8) + Chunk("data", samples)), true, 9952},
        {"other chunks first, odd length padded",
         Riff(Chunk("LIST", "abc") + Chunk("fmt ", mono8) + Chunk("data", samples)), true, 9952},
        {"16-bit stereo", Riff(Chunk("fmt ", PcmFormat(1, 2, 44100, 16)) + Chunk("data", "abcd")),
         true, 4},
        {"data longer than the file is cut",
         Riff(Chunk("fmt ", mono8) + "data" + Le(100000, 4) + "xyz"), true, 3},
        {"compressed", Riff(Chunk("fmt ", PcmFormat(2, 1, 22050, 8)) + Chunk("data", samples)),
         false, 0},
        {"24-bit", Riff(Chunk("fmt ", PcmFormat(1, 1, 22050, 24)) + Chunk("data", samples)), false,
         0},
        {"no channels", Riff(Chunk("fmt ", PcmFormat(1, 0, 22050, 8)) + Chunk("data", samples)),
         false, 0},
        {"data before format", Riff(Chunk("data", samples) + Chunk("fmt ", mono8)), false, 0},
        {"short format", Riff(Chunk("fmt ", mono8.substr(0, 10)) + Chunk("data", samples)), false,
         0},
        {"no data", Riff(Chunk("fmt ", mono8)), false, 0},
        {"chunk size past the end", Riff("fmt " + Le(0xFFFFFFF0u, 4) + mono8), false, 0},
        {"not RIFF", "RIFX" + Riff("").substr(4), false, 0},
        {"truncated header", "RIFF\x10", false, 0},
        {"empty", "", false, 0},
    };
    for (const Case& c : cases) {
        const std::optional<WaveClip> clip = ParseWave(c.Image);
        EXPECT_EQ(clip.has_value(), c.Plays) << c.Name;
        if (clip && c.Plays) {
            EXPECT_EQ(clip->Samples.size(), c.Samples) << c.Name;
        }
    }
}

TEST(WaveClipTest, DurationRoundsUp) {
    WaveClip clip{1, 22050, 8, std::string_view("x")};
    const std::string samples(9952, '\x80');
    clip.Samples = samples;
    EXPECT_EQ(clip.DurationMs(), 452); // 451.3 ms
    clip.Samples = {};
    EXPECT_EQ(clip.DurationMs(), 0);
}

TEST(WaveClipTest, TheProgramCarriesTheAlertSound) {
    RegisterProgramResources();
    QFile file(ErrorSound::DefaultResource());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the alert sound is not compiled in";
    const QByteArray image = file.readAll();
    EXPECT_EQ(image.size(), 10008);
    const std::optional<WaveClip> clip =
        ParseWave(std::string_view(image.constData(), static_cast<std::size_t>(image.size())));
    ASSERT_TRUE(clip.has_value());
    EXPECT_EQ(clip->Channels, 1);
    EXPECT_EQ(clip->SampleRate, 22050);
    EXPECT_EQ(clip->BitsPerSample, 8);
    EXPECT_EQ(clip->Samples.size(), 9952u);

    PumpPointGate gate;
    EXPECT_TRUE(ErrorSound(gate).Loaded());
    EXPECT_FALSE(ErrorSound(gate, QStringLiteral(":/sound/none.wav")).Loaded());
}

} // namespace
} // namespace velnorix
