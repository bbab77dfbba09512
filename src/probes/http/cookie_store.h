#pragma once

#include "probes/http/url_parts.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

// Caps in the spirit of RFC 6265 section 6.1, small enough for a monitor's few hosts.
struct CookieLimits {
    std::size_t MaxCookies = 300;
    std::size_t MaxPerDomain = 50;
    std::size_t MaxCookieBytes = 4096; // name and value together
    // Longest "Cookie" value sent: a server that refuses long request heads must not be
    // failed by what it, or another path of its host, stored with us.
    std::size_t MaxHeaderBytes = 4096;
    // Name and value bytes one store keeps in all.
    std::size_t MaxStoredBytes = 16384;
};

// Cookies received during the run, sent back to the hosts and paths they belong to.
class CookieStore final {
public:
    explicit CookieStore(CookieLimits limits = {}) : m_limits(limits) {}

    // Stores the cookies of one Set-Cookie or Set-Cookie2 field value received for `url`.
    // `now` is in seconds since 1970. Cookies for another domain, too big, or with control
    // characters are dropped; an expired one removes its stored namesake.
    void Add(std::string_view fieldValue, const UrlParts& url, std::int64_t now);

    // "name=value; name2=value2" of the unexpired cookies that match the url's host, path and
    // port, longer paths first; empty when none does. When they do not all fit in
    // MaxHeaderBytes the newest that fit are sent and the older ones left out.
    [[nodiscard]] std::string CookieHeader(const UrlParts& url, std::int64_t now);

    [[nodiscard]] std::size_t Count() const { return m_cookies.size(); }

private:
    struct StoredCookie {
        std::string Name;
        std::string Value;
        std::string Domain; // lower case, no leading "."
        std::string Path;
        bool HostOnly = true;
        bool Secure = false;
        std::optional<std::int64_t> ExpiresAt; // nothing: kept for the run
        std::vector<std::int32_t> Ports;       // empty: any port
    };

    void Store(StoredCookie cookie, std::int64_t now);
    void RemoveExpired(std::int64_t now);
    [[nodiscard]] std::size_t StoredBytes() const;
    // Drops the oldest cookie, of `domain` when one is given.
    void RemoveOldest(std::optional<std::string_view> domain);

    CookieLimits m_limits;
    std::vector<StoredCookie> m_cookies; // oldest first
};

} // namespace velnorix
