// A response to the HEAD request read from memory piece by piece: status line, header block,
// the rules that decide the verdict, and the error body drained by its framing (length, chunks
// or the peer's close).
#include "probes/http/body_drain.h"
#include "probes/http/http_errors.h"
#include "probes/http/response_headers.h"
#include "probes/http/response_rules.h"
#include "probes/line_framing.h"
#include "probes/probe_errors.h"
#include "property_failed.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using namespace velnorix;

namespace {

constexpr std::size_t kMaxLineLength = 256;
constexpr std::uint64_t kMaxBodyBytes = 4096;

// The rest of the response as a connection would hand it out, in reads of a size the input
// chooses.
class MemorySource final : public BodySource {
public:
    MemorySource(std::string_view bytes, std::size_t readSize)
        : m_bytes(bytes), m_readSize(readSize) {}

    // A line as the TCP layer reads it; nothing once the bytes end without one.
    std::optional<std::string> ReadLine() override {
        const LineScan scan = ScanLine(m_bytes, kMaxLineLength);
        if (scan.Status == LineScanStatus::TooLong)
            throw ProbeError(error_text::kMaxLineLengthExceeded);
        if (scan.Status == LineScanStatus::Incomplete) {
            m_bytes = {};
            return std::nullopt;
        }
        std::string line(scan.Line);
        Take(scan.Consumed);
        return line;
    }

    bool DiscardExactly(std::size_t count) override {
        const bool complete = count <= m_bytes.size();
        Take(std::min(count, m_bytes.size()));
        return complete;
    }

    std::size_t DiscardAvailable() override {
        const std::size_t count = std::min(m_readSize, m_bytes.size());
        Take(count);
        return count;
    }

    [[nodiscard]] std::size_t Consumed() const { return m_consumed; }
    [[nodiscard]] std::size_t Left() const { return m_bytes.size(); }

private:
    void Take(std::size_t count) {
        m_bytes.remove_prefix(count);
        m_consumed += count;
    }

    std::string_view m_bytes;
    std::size_t m_readSize;
    std::size_t m_consumed = 0;
};

// The body drained by its framing; for a length or the close the outcome follows from the
// number of bytes alone.
void DrainAndCheck(MemorySource& source, const BodyFraming& framing) {
    const std::size_t available = source.Left();
    const DrainOutcome outcome = DrainBody(source, framing, kMaxBodyBytes);
    if (framing.End == BodyEnd::Length) {
        const DrainOutcome expected = framing.Length > kMaxBodyBytes ? DrainOutcome::TooLong
                                      : framing.Length > available   ? DrainOutcome::PeerClosed
                                                                     : DrainOutcome::Complete;
        if (outcome != expected)
            fuzzing::PropertyFailed("a body of announced length drained wrongly");
        if (outcome == DrainOutcome::Complete && available - source.Left() != framing.Length)
            fuzzing::PropertyFailed("a body of announced length took other than its length");
    }
    if (framing.End == BodyEnd::Close &&
        outcome != (available > kMaxBodyBytes ? DrainOutcome::TooLong : DrainOutcome::Complete))
        fuzzing::PropertyFailed("a body ended by the close drained wrongly");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    HeaderLimits limits;
    limits.MaxFields = 16;
    limits.MaxTotalBytes = 1024;
    MemorySource source(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1),
                        1 + data[0] % 64);
    try {
        for (int interim = 0; interim < 16; ++interim) {
            const auto statusLine = source.ReadLine();
            if (!statusLine)
                return 0;
            const int status = StatusCodeOf(*statusLine);
            ResponseHeaders headers(limits);
            for (auto line = source.ReadLine(); line && !line->empty(); line = source.ReadLine())
                headers.AddLine(*line);
            if (headers.FieldCount() > limits.MaxFields)
                fuzzing::PropertyFailed("more header fields kept than the cap");
            if (status == 100)
                continue;
            CheckContentRange(headers);
            const auto location = headers.Value("Location");
            if (DecideVerdict(status, location && !location->empty()) == Verdict::Success)
                return 0;
            DrainAndCheck(source, FramingOf(headers));
            return 0;
        }
    } catch (const HttpError&) {
        // A header block past its caps, a number that is not one: the probe fails.
    } catch (const ProbeError&) {
        // A line too long.
    }
    return 0;
}
