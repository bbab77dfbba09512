#pragma once

#include "probes/probe_interfaces.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The lines the window and the echo helper (velnorix-cli --echo-helper) exchange over a socket:
//   request  "<id> <numeric address> <time-out ms>"
//   reply    "<id> kind <ReplyStatusKind as a number>"  or  "<id> error <reason>"
// The helper holds the raw-socket right, so it takes numeric addresses only (the window looks
// names up itself) and sends nothing but echo requests.
namespace velnorix {

inline constexpr std::size_t kEchoHelperLineLimit = 256;

struct EchoHelperRequest {
    std::uint32_t Id = 0;
    std::string Address;
    std::chrono::milliseconds Timeout{0};
};

struct EchoHelperReply {
    std::uint32_t Id = 0;
    std::optional<ReplyStatusKind> Kind; // nothing: the exchange failed for Error's reason
    std::string Error;
};

std::string EchoRequestLine(const EchoHelperRequest& request);
// Nothing for a line that is not a request the helper may carry out: a malformed id, an
// address that is not a numeric IPv4 or IPv6 one, a time-out outside 1 ms to the echo bound.
std::optional<EchoHelperRequest> ParseEchoRequestLine(std::string_view line);

// The reason is cut to one printable line.
std::string EchoReplyLine(const EchoHelperReply& reply);
std::optional<EchoHelperReply> ParseEchoReplyLine(std::string_view line);

} // namespace velnorix
