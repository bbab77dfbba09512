#include "request_shape.h"

#include "property_failed.h"

namespace velnorix::fuzzing {

void CheckRequestShape(std::string_view request) {
    constexpr std::string_view kLineEnd = "\r\n";
    if (!request.starts_with("HEAD ") || !request.ends_with("\r\n\r\n"))
        PropertyFailed("the request does not begin with HEAD or end with an empty line");
    std::size_t lineNumber = 0;
    while (!request.empty()) {
        const std::size_t end = request.find(kLineEnd);
        const std::string_view line = request.substr(0, end);
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
            PropertyFailed("a CR, LF or NUL inside a request line");
        request.remove_prefix(end + kLineEnd.size());
        if (lineNumber++ == 0) {
            if (!line.ends_with(" HTTP/1.1"))
                PropertyFailed("the request line does not end with the version");
            continue;
        }
        if (line.empty()) {
            if (!request.empty())
                PropertyFailed("an empty line before the end of the request");
            continue;
        }
        const bool continuation = line.front() == ' ';
        if (!continuation && line.find(':') == std::string_view::npos)
            PropertyFailed("a request line that is neither a header nor its continuation");
    }
}

} // namespace velnorix::fuzzing
