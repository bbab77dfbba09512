#include "probes/http/head_request.h"

namespace velnorix {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kBreakAfter = "\t ,";
constexpr std::string_view kBlanks = " \t";

// Where the first piece of an over-long line ends: just after the last break character that
// keeps it within `width`, else after the first one beyond; npos when nothing can be broken.
// A break must leave text on both sides, so a continuation's leading blank never counts.
std::size_t FoldPoint(std::string_view line, std::size_t width) {
    std::size_t best = std::string_view::npos;
    for (std::size_t i = 1; i + 1 < line.size(); ++i) {
        const std::size_t end = i + 1;
        if (kBreakAfter.find(line[i]) == std::string_view::npos ||
            line.substr(0, end).find_first_not_of(kBlanks) == std::string_view::npos ||
            line.find_first_not_of(kBlanks, end) == std::string_view::npos) {
            continue;
        }
        if (end <= width) {
            best = end;
            continue;
        }
        return best != std::string_view::npos ? best : end;
    }
    return best;
}

} // namespace

std::string FoldHeaderLine(std::string_view line, std::size_t width) {
    std::string folded;
    std::string remaining(line);
    while (remaining.size() > width) {
        const std::size_t cut = FoldPoint(remaining, width);
        if (cut == std::string_view::npos) {
            break;
        }
        const std::string_view piece = std::string_view(remaining).substr(0, cut);
        folded.append(piece.substr(0, piece.find_last_not_of(kBlanks) + 1)).append(kLineEnd);
        // One leading blank on the continuation stands for the blanks the break replaced.
        remaining = " " + remaining.substr(remaining.find_first_not_of(kBlanks, cut));
    }
    folded.append(remaining).append(kLineEnd);
    return folded;
}

std::string BuildRequest(std::string_view method, std::string_view target,
                         std::string_view hostValue, std::string_view cookies) {
    std::string request(method);
    request.append(" ").append(target).append(" HTTP/1.1").append(kLineEnd);
    const auto header = [&request](std::string_view name, std::string_view value) {
        std::string line(name);
        line.append(": ").append(value);
        request += FoldHeaderLine(line);
    };
    header("Content-Type", kRequestContentType);
    header("Host", hostValue);
    header("Accept", kRequestAccept);
    header("User-Agent", kRequestUserAgent);
    if (!cookies.empty()) {
        header("Cookie", cookies);
    }
    request.append(kLineEnd);
    return request;
}

} // namespace velnorix
