#include "support/temp_dir.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace velnorix {
namespace {

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

std::uint32_t Le16(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes.at(at)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(at + 1))) << 8;
}

// The alert the shell plays: a RIFF WAVE of 10,008 bytes holding 9,952 bytes of 8-bit mono
// PCM at 22,050 samples per second.
TEST(AlertSoundTest, IsTheWaveFileThePlayerExpects) {
    const std::string wave =
        kit::ReadWholeFile(VELNORIX_SOURCE_DIR "/resources/sound/ErrorSound.wav");
    ASSERT_EQ(wave.size(), 10'008U);
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(wave, 4), wave.size() - 8);
    EXPECT_EQ(wave.substr(8, 4), "WAVE");

    std::size_t at = 12;
    bool sawFormat = false;
    std::uint32_t dataBytes = 0;
    while (at + 8 <= wave.size()) {
        const std::string id = wave.substr(at, 4);
        const std::uint32_t size = Le32(wave, at + 4);
        ASSERT_LE(at + 8 + size, wave.size()) << "chunk " << id << " runs past the end";
        if (id == "fmt ") {
            sawFormat = true;
            EXPECT_EQ(Le16(wave, at + 8), 1U) << "PCM";
            EXPECT_EQ(Le16(wave, at + 10), 1U) << "one channel";
            EXPECT_EQ(Le32(wave, at + 12), 22'050U);
            EXPECT_EQ(Le32(wave, at + 16), 22'050U) << "bytes per second";
            EXPECT_EQ(Le16(wave, at + 20), 1U) << "block alignment";
            EXPECT_EQ(Le16(wave, at + 22), 8U) << "bits per sample";
        } else if (id == "data") {
            EXPECT_TRUE(sawFormat) << "the format comes before the samples";
            dataBytes = size;
        }
        at += 8 + size + size % 2;
    }
    EXPECT_EQ(at, wave.size());
    EXPECT_EQ(dataBytes, 9'952U);
    // Not silence: some sample strays well away from the 8-bit midpoint.
    EXPECT_NE(wave.find_first_not_of(std::string("\x7e\x7f\x80\x81\x82", 5), 56),
              std::string::npos);
}

} // namespace
} // namespace velnorix
