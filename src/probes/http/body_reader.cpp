#include "probes/http/body_reader.h"

#include "base/deadline.h"
#include "probes/probe_errors.h"

#include <algorithm>
#include <optional>

namespace velnorix {
namespace {

// Body reads on the connection: each may wait out the body's silence limit, which starts again
// with every byte that comes, and all of them end with the whole body's time-out, so a server
// that sends a byte just often enough cannot hold the probe for as long as the byte cap lasts.
class KeepingBodySource final : public BodySource {
public:
    KeepingBodySource(TcpConnection& connection, const BodyBounds& bounds)
        : m_connection(connection), m_whole(bounds.Whole), m_silence(bounds.Silence, m_whole),
          m_keep(bounds.KeptBytes) {}

    std::optional<std::string> ReadLine() override {
        try {
            return m_connection.ReadLine(NextWait());
        } catch (const ConnectionClosedError&) {
            return std::nullopt;
        }
    }

    bool DiscardExactly(std::size_t count) override {
        try {
            Keep(m_connection.ReadBytes(count, NextWait()));
            return true;
        } catch (const ConnectionClosedError&) {
            return false;
        }
    }

    std::size_t DiscardAvailable() override {
        const std::string bytes = m_connection.ReadAvailable(NextWait());
        Keep(bytes);
        return bytes.size();
    }

    [[nodiscard]] std::string TakeKept() { return std::move(m_kept); }

private:
    // Bytes already buffered would otherwise let a fast sender go on past the whole time-out.
    Deadline& NextWait() {
        if (m_whole.Passed())
            throw ReadTimeoutError();
        return m_silence;
    }

    void Keep(std::string_view bytes) {
        m_kept.append(bytes.substr(0, m_keep - std::min(m_keep, m_kept.size())));
    }

    TcpConnection& m_connection;
    Deadline m_whole;
    Deadline m_silence;
    std::size_t m_keep;
    std::string m_kept;
};

} // namespace

ReadBody ReadResponseBody(TcpConnection& connection, const BodyFraming& framing,
                          const BodyBounds& bounds) {
    KeepingBodySource source(connection, bounds);
    ReadBody body;
    body.Outcome = DrainBody(source, framing, bounds.MaxBytes);
    body.Start = source.TakeKept();
    return body;
}

} // namespace velnorix
