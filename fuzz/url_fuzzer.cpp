// Target addresses as the HTTP probe reads them: one after another, each merged with the URL
// the previous ones left, then turned into the request that would go on the wire.
#include "probes/http/head_request.h"
#include "probes/http/http_errors.h"
#include "probes/http/url_parts.h"
#include "property_failed.h"
#include "request_shape.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace velnorix;

namespace {

// The target ports the cycle may set: the protocol defaults and others.
constexpr std::array<std::int32_t, 6> kTargetPorts = {0, 80, 443, 8080, 65535, -1};

bool HasDotSegment(std::string_view path) {
    for (const std::string_view dots : {"/./", "/../"}) {
        if (path.find(dots) != std::string_view::npos)
            return true;
    }
    return path.ends_with("/.") || path.ends_with("/..");
}

// Every request target begins with "/"; a relative path has its dot segments resolved.
void CheckMergedPath(const UrlParts& url, const AddressParts& address) {
    if (!url.Path.starts_with('/'))
        fuzzing::PropertyFailed("a merged path that does not begin with /");
    if (!address.Path.starts_with('/') && HasDotSegment(url.Path))
        fuzzing::PropertyFailed("a dot segment left in a merged relative path");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::int32_t targetPort = kTargetPorts[data[0] % kTargetPorts.size()];
    UrlParts url;
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string_view address = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        try {
            RejectLineBreaks(address);
            const AddressParts parts = ReadAddress(address);
            url = MergeAddress(url, parts);
            CheckMergedPath(url, parts);
            url.Port = ChoosePort(parts.Port, url.Protocol, targetPort);
            // The target's own port is taken as configured; the connection refuses it later.
            if (!parts.Port.empty() && (url.Port < 0 || url.Port > 65535))
                fuzzing::PropertyFailed("a port outside 0 to 65535 taken from the address");
            fuzzing::CheckRequestShape(
                BuildHeadRequest(RequestTarget(url), HostHeaderValue(url), ""));
        } catch (const HttpError&) {
            // An address the probe refuses before sending anything.
        }
    }
    return 0;
}
