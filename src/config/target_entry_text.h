#pragma once

#include "engine/run_model.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One target as a line of the configuration dialog's list, for example
// "<POP3>10.0.0.110  <User>monitor  <Port>110" or "<SMTP>relay  <STARTTLS>  <Port>587".
namespace velnorix {

inline constexpr std::string_view kUserMarker = "  <User>";
inline constexpr std::string_view kPasswordMarker = "  <Password>";
inline constexpr std::string_view kAudibleMarker = "  <AUDIBLE>";
inline constexpr std::string_view kPortMarker = "  <Port>";
inline constexpr std::string_view kTlsMarker = "  <TLS>";
inline constexpr std::string_view kStartTlsMarker = "  <STARTTLS>";

// The configuration fields of one target, as the list entry carries them.
struct TargetEntryFields {
    std::string Type;
    std::string Addr;
    std::string User;
    std::string Password;
    bool Audible = false;
    std::int32_t Port = 0;
    TargetSecurity Security = TargetSecurity::None;

    friend bool operator==(const TargetEntryFields&, const TargetEntryFields&) = default;
};

// A target's settings that its list entry does not show: its own Slow bound, the target it is
// reached through, how a ping probe of it goes, what a web, TCP or DNS probe of it checks (a
// DNS target's question included), and its own time-out. Defaults as in TargetSettings.
struct TargetStateFields {
    std::int32_t SlowMs = 0;
    std::int32_t Parent = 0;
    std::int32_t Echoes = 1;
    std::int32_t LossPct = 100;
    WebMethod Method = WebMethod::Head;
    std::string Expect{};
    std::string Match{};
    bool MatchAbsent = false;
    std::int32_t TimeoutMs = 0;
    DnsRecordType Record = DnsRecordType::A;
    std::string Server{};

    [[nodiscard]] static TargetStateFields Of(const TargetSettings& target);
    void ApplyTo(TargetSettings& target) const;

    friend bool operator==(const TargetStateFields&, const TargetStateFields&) = default;
};

// Removes blanks and control characters at both ends.
std::string TrimBlanksAndControls(std::string_view text);

// The port field's text read as a decimal integer after trimming; nothing when it is not one
// (empty, not a number, or beyond the 32-bit range). Negative values and values above 65535
// are integers and are returned as they are.
std::optional<std::int32_t> ParsePortText(std::string_view text);

// Composes the list entry from the editor's field texts or a stored target. A protection other
// than None is marked just ahead of the port, which it usually decides. The address, user
// and password are trimmed; line breaks are removed from the address, which no host name or
// URL holds and one configuration line cannot store. A user or password marker is written
// when the field's untrimmed text is not empty, so a blank-only user gives the marker followed
// by nothing. A type shorter than six characters (empty after New, or any text that is not a
// tag) is padded with blanks so that the parse finds the address where it put it.
std::string FormatTargetEntry(const TargetEntryFields& fields);

// Splits a list entry back into its fields. The type is the first six characters without the
// padding blanks that FormatTargetEntry added. Markers are found by plain text search, so a
// marker text inside an address, user or password splits the entry at that place. A port that
// does not read as an integer gives the default port of the type and protection; an entry
// without a protection marker has None.
TargetEntryFields ParseTargetEntry(std::string_view entry);

// The entry as the list shows it: a password as "***", so it is not read over a shoulder.
std::string EntryShownInList(std::string_view entry);

// A configured target as the dialog's list shows it, and back; the type keeps its first six
// characters, as the configuration file does.
std::string EntryTextOf(const TargetSettings& target);
TargetSettings TargetOfEntryText(std::string_view entry);

} // namespace velnorix
