// Set-Cookie and Set-Cookie2 values from a server, stored and sent back on later requests.
#include "probes/http/cookie_store.h"
#include "probes/http/head_request.h"
#include "probes/http/set_cookie.h"
#include "property_failed.h"
#include "request_shape.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace velnorix;

namespace {

constexpr std::int64_t kNow = 1'165'329'000; // 6 December 2006

// The few URLs a monitor asks; cookies of one may or may not belong to another.
UrlParts UrlNumber(std::uint8_t n) {
    constexpr std::array<std::string_view, 4> kHosts = {"intranet", "www.example.com",
                                                        "example.com", "192.0.2.7"};
    constexpr std::array<std::string_view, 3> kPaths = {"/", "/docs/", "/docs/sub/"};
    UrlParts url;
    url.Protocol = (n & 0x40) != 0 ? "https" : "http";
    url.Host = kHosts[n % kHosts.size()];
    url.Port = (n & 0x80) != 0 ? 8080 : 80;
    url.Path = kPaths[(n / 4) % kPaths.size()];
    url.Document = "page.htm";
    return url;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    CookieLimits limits;
    limits.MaxCookies = 12;
    limits.MaxPerDomain = 5;
    limits.MaxCookieBytes = 256;
    CookieStore store(limits);
    // Each line is one field value, received for the URL its first byte picks, a little later
    // than the one before.
    std::int64_t now = kNow;
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        if (line.empty())
            continue;
        const UrlParts url = UrlNumber(static_cast<std::uint8_t>(line.front()));
        const std::string_view value = line.substr(1);
        for (const CookieAnnouncement& cookie : ParseSetCookie(value)) {
            if (cookie.Name.empty())
                fuzzing::PropertyFailed("a cookie without a name announced");
        }
        store.Add(value, url, now);
        now += 60;
        if (store.Count() > limits.MaxCookies)
            fuzzing::PropertyFailed("more cookies stored than the cap");
    }
    // Whatever was stored goes back only as one well-formed request header.
    for (const std::uint8_t flags : {0x00, 0x40, 0x80}) {
        for (std::uint8_t n = 0; n < 12; ++n) {
            const UrlParts asked = UrlNumber(static_cast<std::uint8_t>(flags | n));
            fuzzing::CheckRequestShape(
                BuildHeadRequest("/", asked.Host, store.CookieHeader(asked, now)));
        }
    }
    return 0;
}
