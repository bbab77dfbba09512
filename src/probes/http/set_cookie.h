#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

// One cookie as a Set-Cookie or Set-Cookie2 field announces it, attributes not yet judged.
struct CookieAnnouncement {
    std::string Name;
    std::string Value; // as sent, quotes included, so it goes back unchanged
    std::optional<std::string> Domain;
    std::optional<std::string> Path;
    std::optional<std::int64_t> Expires; // seconds since 1970, from "expires"
    std::optional<std::int64_t> MaxAge;
    std::optional<std::string> Port; // RFC 2965: present without a value gives ""
    bool Secure = false;
};

// The cookies of one field value: the Netscape format, RFC 2109 (Set-Cookie) and RFC 2965
// (Set-Cookie2), several separated by commas. An entry without "name=" is dropped; unknown
// attributes and unreadable dates are ignored.
std::vector<CookieAnnouncement> ParseSetCookie(std::string_view fieldValue);

} // namespace velnorix
