#include "probes/echo_helper_protocol.h"

#include "probes/network_bounds.h"

#include <arpa/inet.h>
#include <charconv>
#include <netinet/in.h>

namespace velnorix {
namespace {

constexpr std::size_t kReasonLimit = 160;

template <typename Number>
std::optional<Number> WholeNumber(std::string_view text) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

// The text up to the next space, and the rest after it.
std::string_view TakeWord(std::string_view& text) {
    const std::size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    return word;
}

bool IsNumericAddress(const std::string& address) {
    in6_addr bytes{};
    return ::inet_pton(AF_INET, address.c_str(), &bytes) == 1 ||
           ::inet_pton(AF_INET6, address.c_str(), &bytes) == 1;
}

} // namespace

std::string EchoRequestLine(const EchoHelperRequest& request) {
    return std::to_string(request.Id) + " " + request.Address + " " +
           std::to_string(request.Timeout.count()) + "\n";
}

std::optional<EchoHelperRequest> ParseEchoRequestLine(std::string_view line) {
    const auto id = WholeNumber<std::uint32_t>(TakeWord(line));
    std::string address(TakeWord(line));
    const auto timeout = WholeNumber<std::int64_t>(line);
    if (!id || !timeout || *timeout < 1 || *timeout > kEchoReceiveTimeout.count() ||
        !IsNumericAddress(address))
        return std::nullopt;
    return EchoHelperRequest{*id, std::move(address), std::chrono::milliseconds(*timeout)};
}

std::string EchoReplyLine(const EchoHelperReply& reply) {
    std::string line = std::to_string(reply.Id);
    if (reply.Kind)
        return line + " kind " + std::to_string(static_cast<int>(*reply.Kind)) + "\n";
    line += " error ";
    for (const char c : reply.Error.substr(0, kReasonLimit))
        line += c >= ' ' && c <= '~' ? c : '?';
    return line + "\n";
}

std::optional<EchoHelperReply> ParseEchoReplyLine(std::string_view line) {
    const auto id = WholeNumber<std::uint32_t>(TakeWord(line));
    const std::string_view what = TakeWord(line);
    if (!id)
        return std::nullopt;
    if (what == "error")
        return EchoHelperReply{*id, std::nullopt, std::string(line)};
    const auto kind = WholeNumber<int>(line);
    if (what != "kind" || !kind || *kind < 0 ||
        *kind > static_cast<int>(ReplyStatusKind::TtlExceeded))
        return std::nullopt;
    return EchoHelperReply{*id, static_cast<ReplyStatusKind>(*kind), {}};
}

} // namespace velnorix
