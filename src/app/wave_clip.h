#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velnorix {

// The PCM samples of a RIFF WAVE file and what a sound device needs to play them.
struct WaveClip {
    int Channels = 0;
    int SampleRate = 0;
    int BitsPerSample = 0;
    std::string_view Samples; // points into the parsed bytes

    // Playing time in milliseconds, rounded up.
    [[nodiscard]] std::int64_t DurationMs() const;
};

// Reads a PCM WAVE image of 8 or 16 bits per sample; nothing for anything else. A data chunk
// that claims more bytes than the image holds is cut to what is there.
std::optional<WaveClip> ParseWave(std::string_view bytes);

} // namespace velnorix
