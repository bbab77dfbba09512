#include "probes/http/body_drain.h"

#include "probes/ascii_text.h"
#include "probes/http/http_errors.h"

#include <algorithm>
#include <charconv>

namespace velnorix {
namespace {

constexpr std::size_t kDiscardStep = 32768;

// Counts what the body has consumed so far against its cap.
class DrainBudget final {
public:
    explicit DrainBudget(std::uint64_t maxBytes) : m_left(maxBytes) {}
    bool Take(std::uint64_t bytes) {
        if (bytes > m_left) {
            return false;
        }
        m_left -= bytes;
        return true;
    }

private:
    std::uint64_t m_left;
};

// Drops exactly `count` bytes unless the peer closes or the budget runs out first.
DrainOutcome DiscardExactly(BodySource& source, std::uint64_t count, DrainBudget& budget) {
    if (!budget.Take(count)) {
        return DrainOutcome::TooLong;
    }
    while (count > 0) {
        const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(count, kDiscardStep));
        if (!source.DiscardExactly(step)) {
            return DrainOutcome::PeerClosed;
        }
        count -= step;
    }
    return DrainOutcome::Complete;
}

DrainOutcome DiscardUntilClose(BodySource& source, DrainBudget& budget) {
    while (true) {
        const std::size_t got = source.DiscardAvailable();
        if (got == 0) {
            return DrainOutcome::Complete;
        }
        if (!budget.Take(got)) {
            return DrainOutcome::TooLong;
        }
    }
}

// RFC 2616 section 3.6.1: size line, data, CR LF, ... a zero size, trailer lines, empty line.
DrainOutcome DiscardChunks(BodySource& source, DrainBudget& budget) {
    bool lastChunkSeen = false;
    while (true) {
        const auto line = source.ReadLine();
        if (!line) {
            return DrainOutcome::PeerClosed;
        }
        if (!budget.Take(line->size() + 2)) {
            return DrainOutcome::TooLong;
        }
        if (lastChunkSeen) {
            if (line->empty()) {
                return DrainOutcome::Complete;
            }
            continue; // a trailer field
        }
        const std::uint64_t size = ParseChunkSize(*line);
        if (size == 0) {
            lastChunkSeen = true;
            continue;
        }
        const DrainOutcome data = DiscardExactly(source, size, budget);
        if (data != DrainOutcome::Complete) {
            return data;
        }
        const auto dataEnd = source.ReadLine();
        if (!dataEnd) {
            return DrainOutcome::PeerClosed;
        }
        if (!budget.Take(dataEnd->size() + 2)) {
            return DrainOutcome::TooLong;
        }
    }
}

} // namespace

std::uint64_t ParseChunkSize(std::string_view line) {
    const std::string_view text = TrimLinearWhitespace(line.substr(0, line.find(';')));
    std::uint64_t size = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, size, 16);
    if (text.empty() || error != std::errc{} || stop != end) {
        throw NumberConversionError(text);
    }
    return size;
}

DrainOutcome DrainBody(BodySource& source, const BodyFraming& framing, std::uint64_t maxBytes) {
    DrainBudget budget(maxBytes);
    switch (framing.End) {
    case BodyEnd::None:
        return DrainOutcome::Complete;
    case BodyEnd::Length:
        return DiscardExactly(source, framing.Length, budget);
    case BodyEnd::Chunked:
        return DiscardChunks(source, budget);
    case BodyEnd::Close:
        return DiscardUntilClose(source, budget);
    }
    return DrainOutcome::Complete;
}

} // namespace velnorix
