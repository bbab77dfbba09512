#include "probes/http/cookie_store.h"

#include "base/ascii_case.h"
#include "probes/ascii_text.h"
#include "probes/http/decimal_text.h"
#include "probes/http/set_cookie.h"

#include <algorithm>
#include <limits>
#include <ranges>

namespace velnorix {
namespace {

bool HasControlCharacter(std::string_view text) {
    return std::ranges::any_of(text, [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7F;
    });
}

bool IsNumericHost(std::string_view host) {
    return host.find_first_not_of("0123456789.") == std::string_view::npos;
}

// RFC 6265 section 5.1.3: the host is the domain or ends with "." and the domain.
bool DomainMatches(std::string_view host, std::string_view domain) {
    return host == domain || (host.size() > domain.size() && host.ends_with(domain) &&
                              host[host.size() - domain.size() - 1] == '.' && !IsNumericHost(host));
}

// RFC 6265 section 5.1.4.
bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
    if (!requestPath.starts_with(cookiePath)) {
        return false;
    }
    return requestPath.size() == cookiePath.size() || cookiePath.ends_with('/') ||
           requestPath[cookiePath.size()] == '/';
}

// The directory of the request path, without its last "/" unless that is all there is.
std::string DefaultPath(std::string_view urlPath) {
    const auto lastSlash = urlPath.rfind('/');
    if (lastSlash == std::string_view::npos || lastSlash == 0) {
        return "/";
    }
    return std::string(urlPath.substr(0, lastSlash));
}

std::vector<std::int32_t> ReadPortList(std::string_view list) {
    std::vector<std::int32_t> ports;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const auto port = ParseDecimal(TrimLinearWhitespace(list.substr(0, comma)));
        if (port && *port >= 0 && *port <= 65535) {
            ports.push_back(static_cast<std::int32_t>(*port));
        }
        list = comma == std::string_view::npos ? "" : list.substr(comma + 1);
    }
    return ports;
}

std::optional<std::int64_t> ExpiryOf(const CookieAnnouncement& announced, std::int64_t now) {
    if (announced.MaxAge) {
        const std::int64_t age = *announced.MaxAge;
        if (age <= 0) {
            return std::numeric_limits<std::int64_t>::min();
        }
        return age > std::numeric_limits<std::int64_t>::max() - now
                   ? std::numeric_limits<std::int64_t>::max()
                   : now + age;
    }
    return announced.Expires;
}

} // namespace

void CookieStore::Add(std::string_view fieldValue, const UrlParts& url, std::int64_t now) {
    const std::string host = ToLowerAscii(url.Host);
    for (const auto& announced : ParseSetCookie(fieldValue)) {
        const std::size_t pairBytes = announced.Name.size() + announced.Value.size();
        // A pair that could never fit in the header ("name=value") is not worth keeping.
        if (pairBytes > m_limits.MaxCookieBytes || pairBytes + 1 > m_limits.MaxHeaderBytes ||
            HasControlCharacter(announced.Name) || HasControlCharacter(announced.Value)) {
            continue;
        }
        StoredCookie cookie;
        cookie.Name = announced.Name;
        cookie.Value = announced.Value;
        if (announced.Domain && !announced.Domain->empty()) {
            std::string domain = ToLowerAscii(*announced.Domain);
            if (domain.starts_with('.')) {
                domain.erase(0, 1);
            }
            // A domain without an inner dot would cover a whole top-level domain.
            const bool broadDomain = domain != host && domain.find('.') == std::string::npos;
            if (domain.empty() || broadDomain || !DomainMatches(host, domain)) {
                continue;
            }
            cookie.Domain = domain;
            cookie.HostOnly = false;
        } else {
            cookie.Domain = host;
        }
        cookie.Path = announced.Path && announced.Path->starts_with('/') ? *announced.Path
                                                                         : DefaultPath(url.Path);
        if (announced.Port) {
            cookie.Ports = announced.Port->empty() ? std::vector<std::int32_t>{url.Port}
                                                   : ReadPortList(*announced.Port);
            // RFC 2965 section 3.3.2: a port list must name the port it came from.
            if (!cookie.Ports.empty() &&
                std::ranges::find(cookie.Ports, url.Port) == cookie.Ports.end()) {
                continue;
            }
        }
        cookie.Secure = announced.Secure;
        cookie.ExpiresAt = ExpiryOf(announced, now);
        Store(std::move(cookie), now);
    }
}

std::string CookieStore::CookieHeader(const UrlParts& url, std::int64_t now) {
    RemoveExpired(now);
    const std::string host = ToLowerAscii(url.Host);
    const std::string requestPath = url.Path + url.Document;
    std::vector<const StoredCookie*> matching;
    std::size_t headerBytes = 0;
    // Newest first, so the oldest are the ones left out when the header is full.
    for (auto newest = m_cookies.rbegin(); newest != m_cookies.rend(); ++newest) {
        const StoredCookie& cookie = *newest;
        const bool hostMatches =
            cookie.HostOnly ? host == cookie.Domain : DomainMatches(host, cookie.Domain);
        const bool portMatches =
            cookie.Ports.empty() || std::ranges::find(cookie.Ports, url.Port) != cookie.Ports.end();
        if (!hostMatches || !portMatches || !PathMatches(requestPath, cookie.Path) ||
            (cookie.Secure && !IsHttps(url.Protocol))) {
            continue;
        }
        const std::size_t pairBytes = cookie.Name.size() + 1 + cookie.Value.size();
        headerBytes += matching.empty() ? pairBytes : pairBytes + 2;
        if (headerBytes > m_limits.MaxHeaderBytes) {
            break;
        }
        matching.push_back(&cookie);
    }
    std::ranges::reverse(matching);
    // RFC 6265 section 5.4: longer paths first, then the older cookie.
    std::ranges::stable_sort(matching, [](const StoredCookie* a, const StoredCookie* b) {
        return a->Path.size() > b->Path.size();
    });
    std::string header;
    for (const auto* cookie : matching) {
        if (!header.empty()) {
            header += "; ";
        }
        header.append(cookie->Name).append("=").append(cookie->Value);
    }
    return header;
}

void CookieStore::Store(StoredCookie cookie, std::int64_t now) {
    std::erase_if(m_cookies, [&cookie](const StoredCookie& stored) {
        return stored.Name == cookie.Name && stored.Domain == cookie.Domain &&
               stored.Path == cookie.Path;
    });
    if (cookie.ExpiresAt && *cookie.ExpiresAt <= now) {
        return;
    }
    const std::string domain = cookie.Domain;
    m_cookies.push_back(std::move(cookie));
    RemoveExpired(now);
    const auto inDomain = [&domain](const StoredCookie& stored) { return stored.Domain == domain; };
    while (static_cast<std::size_t>(std::ranges::count_if(m_cookies, inDomain)) >
           m_limits.MaxPerDomain) {
        RemoveOldest(domain);
    }
    while (m_cookies.size() > m_limits.MaxCookies || StoredBytes() > m_limits.MaxStoredBytes) {
        RemoveOldest(std::nullopt);
    }
}

std::size_t CookieStore::StoredBytes() const {
    std::size_t bytes = 0;
    for (const auto& cookie : m_cookies) {
        bytes += cookie.Name.size() + cookie.Value.size();
    }
    return bytes;
}

void CookieStore::RemoveExpired(std::int64_t now) {
    std::erase_if(m_cookies, [now](const StoredCookie& cookie) {
        return cookie.ExpiresAt && *cookie.ExpiresAt <= now;
    });
}

void CookieStore::RemoveOldest(std::optional<std::string_view> domain) {
    const auto oldest = std::ranges::find_if(m_cookies, [domain](const StoredCookie& cookie) {
        return !domain || cookie.Domain == *domain;
    });
    if (oldest != m_cookies.end()) {
        m_cookies.erase(oldest);
    }
}

} // namespace velnorix
