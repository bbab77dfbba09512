#include "probes/http/url_parts.h"

#include "base/ascii_case.h"
#include "probes/http/decimal_text.h"
#include "probes/http/http_errors.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace velnorix {
namespace {

constexpr std::string_view kSchemeMark = "://";
constexpr std::int32_t kHttpPort = 80;
constexpr std::int32_t kHttpsPort = 443;
constexpr std::int32_t kHighestPort = 65535;
constexpr std::string_view kHiddenPassword = "***";

// Every "\" read as "/"; the positions stay those of the address.
std::string WithSlashes(std::string_view address) {
    std::string text(address);
    std::ranges::replace(text, '\\', '/');
    return text;
}

struct TextSpan {
    std::size_t Begin = 0;
    std::size_t End = 0;
};

// The authority of an address read WithSlashes: from "://" up to the next "/".
std::optional<TextSpan> FindAuthority(std::string_view text) {
    const auto scheme = text.find(kSchemeMark);
    if (scheme == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t begin = scheme + kSchemeMark.size();
    return TextSpan{begin, std::min(text.find('/', begin), text.size())};
}

struct UserInformation {
    TextSpan Span;
    // It holds "?" or "#", or a "/" ended the authority inside it.
    bool Unsafe = false;
};

bool IsPortNumber(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// The user information of an address read WithSlashes: what precedes the last "@" of the
// authority. A password holding "/" ends the authority early, so the authority reads
// "name:text" with no port after the colon while an "@" follows later on: everything up to
// that last "@" is taken as user information then, an unsafe one.
std::optional<UserInformation> FindUserInformation(std::string_view text) {
    const auto authority = FindAuthority(text);
    if (!authority) {
        return std::nullopt;
    }
    const std::string_view inside =
        text.substr(authority->Begin, authority->End - authority->Begin);
    if (const auto at = inside.rfind('@'); at != std::string_view::npos) {
        return UserInformation{{authority->Begin, authority->Begin + at},
                               inside.substr(0, at).find_first_of("?#") != std::string::npos};
    }
    const auto at = text.rfind('@');
    const auto colon = inside.find(':');
    if (at == std::string_view::npos || at < authority->End || inside.starts_with('[') ||
        colon == std::string_view::npos || IsPortNumber(inside.substr(colon + 1))) {
        return std::nullopt;
    }
    return UserInformation{{authority->Begin, at}, true};
}

std::string CutFrom(std::string& text, char mark) {
    const auto at = text.find(mark);
    if (at == std::string::npos) {
        return {};
    }
    std::string tail = text.substr(at);
    text.erase(at);
    return tail;
}

// Path, document and parameters of what follows the authority (or of a whole relative address).
void SplitRemainder(std::string_view remainder, AddressParts& parts) {
    auto query = remainder.find('?');
    if (query == std::string_view::npos) {
        query = remainder.find('=');
    }
    const std::string_view beforeQuery = remainder.substr(0, query);
    const auto lastSlash = beforeQuery.rfind('/');
    const std::size_t pathLength = lastSlash == std::string_view::npos ? 0 : lastSlash + 1;

    parts.Path = std::string(beforeQuery.substr(0, pathLength));
    parts.Document = std::string(beforeQuery.substr(pathLength));
    parts.Params = query == std::string_view::npos ? "" : std::string(remainder.substr(query));
    if (parts.HasScheme) {
        parts.Path.insert(0, "/");
    }
    // The fragment never goes to the server.
    if (parts.HasScheme && parts.Document.find('#') != std::string::npos) {
        CutFrom(parts.Document, '#');
    } else {
        CutFrom(parts.Params, '#');
    }
}

void SplitAuthority(std::string authority, AddressParts& parts) {
    const auto at = authority.find('@');
    if (at != std::string::npos) {
        const std::string userInfo = authority.substr(0, at);
        authority.erase(0, at + 1);
        const auto colon = userInfo.find(':');
        parts.UserName = userInfo.substr(0, colon);
        parts.Password = colon == std::string::npos ? "" : userInfo.substr(colon + 1);
    }
    // RFC 3986: an IPv6 literal sits in brackets with the port after them. The brackets stay
    // with the host, so the Host header keeps them and the lookup knows the literal.
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        const std::string_view rest =
            close == std::string::npos ? "" : std::string_view(authority).substr(close + 1);
        if (close != std::string::npos && (rest.empty() || rest.starts_with(':'))) {
            parts.Host = authority.substr(0, close + 1);
            parts.Port = rest.empty() ? "" : std::string(rest.substr(1));
            return;
        }
    }
    // A bracket left open or closed too early, or an IPv6 address without brackets, is taken
    // whole as the host, so it fails as a malformed literal rather than as a strange port.
    if (authority.starts_with('[') || std::ranges::count(authority, ':') > 1) {
        parts.Host = authority;
        return;
    }
    const auto colon = authority.find(':');
    parts.Host = authority.substr(0, colon);
    parts.Port = colon == std::string::npos ? "" : authority.substr(colon + 1);
}

std::string ResolveDotSegments(std::string_view path) {
    std::vector<std::string_view> kept;
    std::string_view rest = path.substr(1); // after the leading "/"
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view segment = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? "" : rest.substr(slash + 1);
        if (segment == "..") {
            if (!kept.empty()) {
                kept.pop_back();
            }
        } else if (segment != ".") {
            kept.push_back(segment);
        }
    }
    std::string resolved = "/";
    for (const auto segment : kept) {
        resolved.append(segment).append("/");
    }
    if (!path.ends_with('/') && !kept.empty()) {
        resolved.pop_back();
    }
    return resolved;
}

} // namespace

void RejectLineBreaks(std::string_view address) {
    if (address.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        throw HttpError("The address contains a line break or NUL character");
    }
}

AddressParts ReadAddress(std::string_view address) {
    const std::string text = WithSlashes(address);
    AddressParts parts;
    const auto authority = FindAuthority(text);
    if (!authority) {
        SplitRemainder(text, parts);
        return parts;
    }
    parts.HasScheme = true;
    parts.Protocol = text.substr(0, authority->Begin - kSchemeMark.size());
    SplitAuthority(text.substr(authority->Begin, authority->End - authority->Begin), parts);
    SplitRemainder(authority->End < text.size() ? std::string_view(text).substr(authority->End + 1)
                                                : "",
                   parts);
    return parts;
}

void RejectUnsafeUserInformation(std::string_view address) {
    const auto info = FindUserInformation(WithSlashes(address));
    if (info && info->Unsafe) {
        throw HttpError("The user name or password in the address holds an unescaped \"/\", "
                        "\"?\", \"#\" or \"\\\"; write them as %2F, %3F, %23 and %5C");
    }
}

std::string WithPasswordHidden(std::string_view address) {
    std::string shown(address);
    const auto info = FindUserInformation(WithSlashes(address));
    if (!info) {
        return shown;
    }
    const TextSpan span = info->Span;
    if (info->Unsafe) {
        return shown.replace(span.Begin, span.End - span.Begin, kHiddenPassword);
    }
    const auto colon = std::string_view(shown).substr(span.Begin, span.End - span.Begin).find(':');
    if (colon == std::string_view::npos || span.Begin + colon + 1 == span.End) {
        return shown;
    }
    return shown.replace(span.Begin + colon + 1, span.End - span.Begin - colon - 1,
                         kHiddenPassword);
}

std::string WithUserInformationHidden(std::string_view address) {
    std::string shown(address);
    if (const auto info = FindUserInformation(WithSlashes(address))) {
        shown.replace(info->Span.Begin, info->Span.End - info->Span.Begin, kHiddenPassword);
    }
    return shown;
}

std::string MergePath(std::string_view keptPath, std::string_view newPath) {
    if (newPath.starts_with('/')) {
        return std::string(newPath);
    }
    std::string joined =
        keptPath.starts_with('/') ? std::string(keptPath) : "/" + std::string(keptPath);
    if (!joined.ends_with('/') && !newPath.empty()) {
        joined += '/';
    }
    joined += newPath;
    return ResolveDotSegments(joined);
}

UrlParts MergeAddress(const UrlParts& kept, const AddressParts& address) {
    UrlParts url;
    url.Protocol = address.Protocol.empty() ? "http" : address.Protocol;
    url.Host = address.Host.empty() ? kept.Host : address.Host;
    url.Port = kept.Port;
    url.Path = MergePath(kept.Path, address.Path);
    url.Document = address.Document;
    url.Params = address.Params;
    return url;
}

std::int32_t ChoosePort(std::string_view addressPort, std::string_view protocol,
                        std::int32_t componentPort) {
    if (!addressPort.empty()) {
        const auto port = ParseDecimal(addressPort);
        if (!port || *port < 0 || *port > kHighestPort) {
            throw NumberConversionError(addressPort);
        }
        return static_cast<std::int32_t>(*port);
    }
    if (componentPort != 0 && componentPort != kHttpPort && componentPort != kHttpsPort) {
        return componentPort;
    }
    if (EqualsIgnoringCase(protocol, "http")) {
        return kHttpPort;
    }
    if (IsHttps(protocol)) {
        return kHttpsPort;
    }
    // No default port is known for any other protocol; the failure carries no text.
    throw HttpError("");
}

bool IsHttps(std::string_view protocol) {
    return EqualsIgnoringCase(protocol, "https");
}

std::string RequestTarget(const UrlParts& url) {
    return url.Path + url.Document + url.Params;
}

std::string HostHeaderValue(const UrlParts& url) {
    return url.Port == kHttpPort ? url.Host : url.Host + ":" + std::to_string(url.Port);
}

} // namespace velnorix
