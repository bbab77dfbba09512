// What a mail or web server sends, read by the TCP layer as lines (ReadLine) or as numbered
// replies (ReadReply) over a real loopback connection.
#include "loopback_peer.h"
#include "probes/probe_errors.h"
#include "probes/tcp_connection.h"
#include "property_failed.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace velnorix;
using fuzzing::LoopbackPeer;
using fuzzing::PropertyFailed;

namespace {

// Small enough that every cap is within reach of a short input.
constexpr std::size_t kMaxData = 32 * 1024;
constexpr std::size_t kReplyByteCap = 1024;
constexpr std::size_t kReplyLineCap = 16;

enum class End { Closed, TooLong, SocketFailure };

struct Reading {
    std::vector<std::string> Lines;
    End Ending = End::Closed;
};

// The lines the bytes hold, read the simple way: split at LF, a CR before it dropped, and a
// line of more than `maxLength` characters (or unterminated bytes beyond it) ending the read.
Reading ExpectedLines(std::string_view data, std::size_t maxLength) {
    Reading expected;
    for (;;) {
        const std::size_t lineFeed = data.find('\n');
        if (lineFeed == std::string_view::npos) {
            expected.Ending = data.size() > maxLength ? End::TooLong : End::Closed;
            return expected;
        }
        if (lineFeed > maxLength) {
            expected.Ending = End::TooLong;
            return expected;
        }
        std::string_view line = data.substr(0, lineFeed);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        expected.Lines.emplace_back(line);
        data.remove_prefix(lineFeed + 1);
    }
}

End EndingOf(const ProbeError& error) {
    if (dynamic_cast<const ConnectionClosedError*>(&error) != nullptr)
        return End::Closed;
    if (dynamic_cast<const SocketError*>(&error) != nullptr)
        return End::SocketFailure;
    if (std::string_view(error.what()) == error_text::kMaxLineLengthExceeded)
        return End::TooLong;
    PropertyFailed(error.what());
}

// A peer that resets at once may already have done so when the connect completes.
void CheckLines(TcpConnection& connection, std::string_view data, bool reset) {
    Reading read;
    try {
        connection.OpenConnection();
        for (;;)
            read.Lines.push_back(connection.ReadLine());
    } catch (const ReadTimeoutError&) {
        PropertyFailed("a read waited although the peer had ended the connection");
    } catch (const ProbeError& error) {
        read.Ending = EndingOf(error);
    }
    const Reading expected = ExpectedLines(data, connection.Bounds().MaxLineLength);
    if (!reset) {
        if (read.Lines != expected.Lines || read.Ending != expected.Ending)
            PropertyFailed("the lines read differ from the lines sent");
        return;
    }
    // A reset may cut the bytes short, but never changes or invents a line.
    if (read.Lines.size() > expected.Lines.size() ||
        !std::equal(read.Lines.begin(), read.Lines.end(), expected.Lines.begin()))
        PropertyFailed("the lines read before a reset differ from the lines sent");
    if (read.Ending == End::TooLong &&
        (read.Lines.size() != expected.Lines.size() || expected.Ending != End::TooLong))
        PropertyFailed("a line reported too long that was not");
}

void CheckReplies(TcpConnection& connection) {
    try {
        connection.OpenConnection();
        for (;;) {
            connection.ReadReply();
            const NumberedReply& reply = connection.LastReply();
            if (reply.Text.empty() || reply.Text.size() > kReplyLineCap)
                PropertyFailed("a reply with no lines or more than the cap");
            std::size_t bytes = 0;
            for (const std::string& line : reply.Text)
                bytes += line.size();
            if (bytes > kReplyByteCap)
                PropertyFailed("a reply larger than the cap");
        }
    } catch (const ReadTimeoutError&) {
        PropertyFailed("a reply waited although the peer had ended the connection");
    } catch (const ProbeError&) {
        // Closed, reset, a line too long or a reply past its caps: how such a read ends.
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static LoopbackPeer peer;
    if (size < 2)
        return 0;
    const bool replies = (bytes[0] & 1) != 0;
    const bool reset = (bytes[0] & 2) != 0;
    ConnectionBounds bounds;
    bounds.ConnectTimeout = std::chrono::seconds(2);
    bounds.ReadTimeout = std::chrono::seconds(2);
    bounds.WriteTimeout = std::chrono::seconds(2);
    bounds.MaxLineLength = 8 + bytes[1] % 120;
    bounds.MaxReplyBytes = kReplyByteCap;
    bounds.MaxReplyLines = kReplyLineCap;
    const std::string data(reinterpret_cast<const char*>(bytes) + 2, std::min(size - 2, kMaxData));

    TcpConnection connection(bounds);
    connection.SetHost("127.0.0.1");
    connection.SetPort(peer.Port());
    peer.Prepare(data, reset ? LoopbackPeer::Ending::Reset : LoopbackPeer::Ending::Close);
    if (replies)
        CheckReplies(connection);
    else
        CheckLines(connection, data, reset);
    connection.CloseConnection();
    peer.WaitServed();
    return 0;
}
