#pragma once

#include "probes/http/response_headers.h"

#include <cstdint>
#include <string_view>

namespace velnorix {

// The second blank-separated word of a status line as a number; -1 when it is not one.
int StatusCodeOf(std::string_view statusLine);

// False when a Connection or Proxy-Connection field asks for the connection to be closed.
bool HeadersAllowKeepAlive(const ResponseHeaders& headers);

// Throws NumberConversionError when a Content-Range field's first or last byte position is
// not a number.
void CheckContentRange(const ResponseHeaders& headers);

enum class Verdict { Success, Redirect, Failure };

// 2xx without Location succeeds; 3xx other than 304, or any Location, is a redirection;
// everything else fails.
Verdict DecideVerdict(int statusCode, bool hasLocation);

// How the body a response announces is delimited.
enum class BodyEnd { None, Length, Chunked, Close };

struct BodyFraming {
    BodyEnd End = BodyEnd::None;
    std::uint64_t Length = 0; // for BodyEnd::Length
};

// Chunking wins over Content-Length (RFC 2616 section 4.4); a Content-Length that is not a
// number leaves the end of the body to the server's closing.
BodyFraming FramingOf(const ResponseHeaders& headers);

} // namespace velnorix
