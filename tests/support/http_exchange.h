#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A client for tests of the metrics endpoint that sends exactly the bytes it is given, so
// hostile requests can be written as they would arrive.
namespace velnorix::testing {

struct HttpReply {
    int Status = 0;
    std::string Head; // the status line and the header lines, CR LF kept
    std::string Body;

    // The value of header `name` (case as sent), or nothing.
    [[nodiscard]] std::optional<std::string> Header(std::string_view name) const;
};

// Sends `request` to 127.0.0.1:`port` and reads until the server closes. Nothing when the
// connection fails or no whole reply comes within `patience`.
std::optional<HttpReply> HttpExchange(std::uint16_t port, std::string_view request,
                                      std::chrono::milliseconds patience);

// "GET /metrics HTTP/1.1" with a Host line, as a scraper sends it.
std::string MetricsRequest(std::string_view method = "GET");

} // namespace velnorix::testing
