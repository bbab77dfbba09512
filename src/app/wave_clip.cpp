#include "app/wave_clip.h"

#include <algorithm>

namespace velnorix {
namespace {

std::uint32_t ReadLittleEndian(std::string_view bytes, std::size_t offset, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i]))
                 << (8 * i);
    return value;
}

constexpr std::size_t kRiffHeaderSize = 12;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kPcmFormatSize = 16;
constexpr std::uint32_t kPcmFormatTag = 1;

} // namespace

std::int64_t WaveClip::DurationMs() const {
    const std::int64_t bytesPerSecond =
        static_cast<std::int64_t>(SampleRate) * Channels * (BitsPerSample / 8);
    if (bytesPerSecond <= 0)
        return 0;
    const auto size = static_cast<std::int64_t>(Samples.size());
    return (size * 1000 + bytesPerSecond - 1) / bytesPerSecond;
}

std::optional<WaveClip> ParseWave(std::string_view bytes) {
    if (bytes.size() < kRiffHeaderSize || bytes.substr(0, 4) != "RIFF" ||
        bytes.substr(8, 4) != "WAVE")
        return std::nullopt;

    WaveClip clip;
    bool haveFormat = false;
    std::size_t offset = kRiffHeaderSize;
    while (bytes.size() - offset >= kChunkHeaderSize) {
        const std::string_view id = bytes.substr(offset, 4);
        const std::size_t declared = ReadLittleEndian(bytes, offset + 4, 4);
        const std::size_t bodyOffset = offset + kChunkHeaderSize;
        const std::size_t size = std::min(declared, bytes.size() - bodyOffset);
        if (id == "fmt ") {
            if (size < kPcmFormatSize || ReadLittleEndian(bytes, bodyOffset, 2) != kPcmFormatTag)
                return std::nullopt;
            clip.Channels = static_cast<int>(ReadLittleEndian(bytes, bodyOffset + 2, 2));
            clip.SampleRate = static_cast<int>(ReadLittleEndian(bytes, bodyOffset + 4, 4));
            clip.BitsPerSample = static_cast<int>(ReadLittleEndian(bytes, bodyOffset + 14, 2));
            if (clip.Channels < 1 || clip.SampleRate < 1 ||
                (clip.BitsPerSample != 8 && clip.BitsPerSample != 16))
                return std::nullopt;
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return std::nullopt;
            clip.Samples = bytes.substr(bodyOffset, size);
            return clip;
        }
        // Chunks are padded to an even length.
        const std::size_t next = bodyOffset + size + (size % 2);
        if (next > bytes.size())
            break;
        offset = next;
    }
    return std::nullopt;
}

} // namespace velnorix
