#include "probes/http/response_rules.h"

#include "base/ascii_case.h"
#include "probes/ascii_text.h"
#include "probes/http/decimal_text.h"
#include "probes/http/http_errors.h"

#include <algorithm>
#include <limits>
#include <string>

namespace velnorix {
namespace {

std::string WithoutBlanks(std::string_view text) {
    std::string kept;
    std::ranges::copy_if(text, std::back_inserter(kept), [](char c) { return c != ' '; });
    return kept;
}

void RequireNumber(std::string_view text) {
    if (!ParseDecimal(TrimLinearWhitespace(text))) {
        throw NumberConversionError(TrimLinearWhitespace(text));
    }
}

} // namespace

int StatusCodeOf(std::string_view statusLine) {
    const auto firstEnd = statusLine.find(' ');
    if (firstEnd == std::string_view::npos) {
        return -1;
    }
    std::string_view rest = statusLine.substr(firstEnd);
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    const auto code = ParseDecimal(rest.substr(0, rest.find(' ')));
    if (!code || *code < std::numeric_limits<int>::min() ||
        *code > std::numeric_limits<int>::max()) {
        return -1;
    }
    return static_cast<int>(*code);
}

bool HeadersAllowKeepAlive(const ResponseHeaders& headers) {
    for (const std::string_view name : {"Connection", "Proxy-Connection"}) {
        for (const auto& value : headers.Values(name)) {
            if (EqualsIgnoringCase(WithoutBlanks(value), "close")) {
                return false;
            }
        }
    }
    return true;
}

void CheckContentRange(const ResponseHeaders& headers) {
    const auto range = headers.Value("Content-Range");
    if (!range || range->empty()) {
        return;
    }
    // "bytes first-last/length"; the unit is separated by a blank or "=".
    std::string_view text = *range;
    const auto unitEnd = text.find_first_of(" =");
    if (unitEnd != std::string_view::npos) {
        text.remove_prefix(unitEnd + 1);
    }
    text = text.substr(0, text.find('/'));
    const auto dash = text.find('-');
    RequireNumber(text.substr(0, dash));
    RequireNumber(dash == std::string_view::npos ? std::string_view() : text.substr(dash + 1));
}

Verdict DecideVerdict(int statusCode, bool hasLocation) {
    const bool redirection = statusCode >= 300 && statusCode <= 399 && statusCode != 304;
    if (redirection || hasLocation) {
        return Verdict::Redirect;
    }
    return statusCode >= 200 && statusCode <= 299 ? Verdict::Success : Verdict::Failure;
}

BodyFraming FramingOf(const ResponseHeaders& headers) {
    const auto transferEncoding = headers.Value("Transfer-Encoding");
    if (transferEncoding && ToLowerAscii(*transferEncoding).find("chunked") != std::string::npos) {
        return {BodyEnd::Chunked, 0};
    }
    const auto contentLength = headers.Value("Content-Length");
    if (!contentLength) {
        return {BodyEnd::Close, 0};
    }
    const auto length = ParseDecimal(*contentLength);
    if (!length || *length < 0) {
        return {BodyEnd::Close, 0};
    }
    if (*length == 0) {
        return {BodyEnd::None, 0};
    }
    return {BodyEnd::Length, static_cast<std::uint64_t>(*length)};
}

} // namespace velnorix
