// The configuration dialog's list entry text: split by ParseTargetEntry, composed by
// FormatTargetEntry.
#include "config/target_entry_text.h"
#include "engine/run_model.h"
#include "property_failed.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace velnorix;

namespace {

constexpr std::array<std::string_view, 6> kMarkers = {
    kUserMarker, kPasswordMarker, kAudibleMarker, kPortMarker, kTlsMarker, kStartTlsMarker};

bool HoldsMarker(std::string_view text) {
    for (const std::string_view marker : kMarkers) {
        if (text.find(marker) != std::string_view::npos)
            return true;
    }
    return false;
}

std::string WithoutLineBreaks(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

// Fields taken from the input: three texts separated by NUL bytes, the flags and the port from
// the bytes of the last piece.
TargetEntryFields FieldsFrom(std::string_view input) {
    TargetEntryFields fields;
    std::array<std::string, 4> pieces;
    for (std::size_t i = 0; i < pieces.size() && !input.empty(); ++i) {
        const std::size_t end = input.find('\0');
        pieces[i] = std::string(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    }
    const std::string& tail = pieces[3];
    const auto byte = [&tail](std::size_t i) {
        return i < tail.size() ? static_cast<std::uint8_t>(tail[i]) : std::uint8_t{0};
    };
    fields.Type = std::string(TagOf(static_cast<TestType>(byte(0) % 4)));
    fields.Addr = pieces[0];
    fields.User = pieces[1];
    fields.Password = pieces[2];
    fields.Audible = (byte(1) & 1) != 0;
    fields.Security = static_cast<TargetSecurity>((byte(1) >> 1) % 3);
    fields.Port = static_cast<std::int32_t>(static_cast<std::uint32_t>(byte(2)) << 24 |
                                            static_cast<std::uint32_t>(byte(3)) << 16 |
                                            static_cast<std::uint32_t>(byte(4)) << 8 | byte(5));
    return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // Any text at all splits without reading outside it.
    const TargetEntryFields parsed = ParseTargetEntry(input);
    if (parsed.Type.size() > kTypeLength)
        fuzzing::PropertyFailed("a type longer than a tag");

    // Composing and splitting gives the fields back, trimmed, as long as no text holds a marker.
    const TargetEntryFields fields = FieldsFrom(input);
    TargetEntryFields expected = fields;
    expected.Addr = TrimBlanksAndControls(WithoutLineBreaks(fields.Addr));
    expected.User = TrimBlanksAndControls(fields.User);
    expected.Password = TrimBlanksAndControls(fields.Password);
    // Removing a line break can join a marker together, so the texts are judged as composed.
    if (HoldsMarker(expected.Addr) || HoldsMarker(expected.User) || HoldsMarker(expected.Password))
        return 0;
    if (ParseTargetEntry(FormatTargetEntry(fields)) != expected)
        fuzzing::PropertyFailed("a composed entry did not split into its fields");
    return 0;
}
