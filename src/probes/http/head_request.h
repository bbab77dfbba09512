#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velnorix {

inline constexpr std::string_view kRequestContentType = "text/html";
inline constexpr std::string_view kRequestAccept = "text/html, */*";
// The agent text earlier releases sent; servers' access rules and operators' log filters
// written for the monitor match on it, so it stays as it was.
inline constexpr std::string_view kRequestUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
inline constexpr std::size_t kFoldWidth = 78;

// A header line longer than `width`, broken after a tab, blank or comma into lines of at most
// `width` where it can be, the later ones beginning with one blank (RFC 2616 section 2.2).
// Each resulting line ends in CR LF.
std::string FoldHeaderLine(std::string_view line, std::size_t width = kFoldWidth);

// The whole request as written to the socket, down to its empty last line. An empty cookie
// text leaves the Cookie header out.
std::string BuildRequest(std::string_view method, std::string_view target,
                         std::string_view hostValue, std::string_view cookies);
inline std::string BuildHeadRequest(std::string_view target, std::string_view hostValue,
                                    std::string_view cookies) {
    return BuildRequest("HEAD", target, hostValue, cookies);
}

} // namespace velnorix
