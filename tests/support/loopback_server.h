#pragma once

#include "base/file_descriptor.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ssl_ctx_st;
struct ssl_st;

// Scripted TCP servers on 127.0.0.1 for tests, benchmarks and fuzz targets: each accepted
// connection is served on its own thread, either by a script of steps or by a function, in
// plain text or, from a step on, over TLS.
namespace velnorix::kit {

// The listener's side of a connection, private to the implementation.
class ServerState;

// One accepted connection as its server sees it. Every wait gives up when the server stops,
// when the client stays quiet past the server's patience or, once the test has finished with
// the client, after a short grace.
class Connection final {
public:
    Connection(ServerState& server, std::size_t index, FileDescriptor socket);

    // Sends the bytes as they are; false when the client has gone.
    bool Send(std::string_view bytes);
    // Sends the text followed by CR LF.
    bool SendLine(std::string_view text);
    // Sends the bytes one at a time, each in its own TCP segment, `gap` apart.
    bool Trickle(std::string_view bytes, std::chrono::milliseconds gap);
    // Sends `chunk` again and again until the client stops taking it or goes away.
    void Flood(std::string_view chunk);
    // The next line (up to LF) without its CR LF; nothing when the client closed or went quiet.
    std::optional<std::string> ReadLine();
    // Reads one line; one other than `expected` is noted in the server's Mismatches().
    bool ExpectLine(const std::string& expected);
    // Sleeps; false when the server stops meanwhile.
    bool Pause(std::chrono::milliseconds duration);
    // Reads until the client closes.
    void DrainUntilClosed();
    // Ends the server's side and reads until the client closes its own.
    void Close();
    // Aborts the connection: the client sees a reset.
    void Reset();
    // Runs the server's TLS handshake with `context`; from then on every byte is encrypted and
    // what is recorded is what the client sent inside TLS. False when the handshake fails.
    bool StartTls(const std::shared_ptr<ssl_ctx_st>& context);
    // Whether the handshake resumed a session of an earlier connection.
    [[nodiscard]] bool ResumedTls() const;

private:
    bool ReceiveSome();
    // Repeats a TLS call, waiting as OpenSSL asks, until it gives a positive result; false
    // when it fails or the wait gives up.
    bool TlsCall(const std::function<int()>& call);

    ServerState& m_server;
    std::size_t m_index;
    FileDescriptor m_socket;
    std::string m_pending;
    std::shared_ptr<ssl_st> m_tls;
};

// What the server does on one connection, step by step. When the steps run out, the server
// keeps reading until the client closes, then closes its end.
class ServerScript final {
public:
    // Sends the bytes as they are.
    ServerScript& Send(std::string bytes);
    // Sends the text followed by CR LF.
    ServerScript& SendLine(std::string_view text);
    // Sends the bytes one at a time, each in its own TCP segment, `gap` apart.
    ServerScript& Trickle(std::string bytes,
                          std::chrono::milliseconds gap = std::chrono::milliseconds(1));
    // Reads one line (up to LF); a line other than `expected` (CR LF removed) is noted in
    // Mismatches().
    ServerScript& ExpectLine(std::string expected);
    // Reads one line, whatever it is.
    ServerScript& ReadLine();
    ServerScript& Pause(std::chrono::milliseconds duration);
    // Closes the server's end; the client reads end of stream. Bytes the client still sends
    // are recorded until it closes too.
    ServerScript& Close();
    // Aborts the connection: the client sees a reset.
    ServerScript& Reset();
    // Sends nothing and keeps the connection open until the client closes it or the server
    // stops.
    ServerScript& Silence();
    // Sends `chunk` again and again until the client stops taking it or goes away.
    ServerScript& Flood(std::string chunk);
    // Speaks TLS from here on (see Connection::StartTls); a failed handshake ends the script.
    ServerScript& StartTls(std::shared_ptr<ssl_ctx_st> context);

    // Plays the steps on `connection`.
    void Play(Connection& connection) const;

private:
    // A step answers false when the connection is over.
    using Step = std::function<bool(Connection&)>;
    ServerScript& Then(Step step);

    std::vector<Step> m_steps;
};

// Which loopback address a server listens on: 127.0.0.1 or ::1.
enum class LoopbackFamily { Ipv4, Ipv6 };

// Listens on a port of 127.0.0.1 (or ::1), an ephemeral one unless told otherwise. The destructor
// stops every connection and waits for the threads.
class LoopbackServer final {
public:
    using Handler = std::function<void(Connection&)>;

    // The n-th accepted connection plays the n-th script; later ones are not accepted. What
    // each connection receives is recorded.
    explicit LoopbackServer(ServerScript script, LoopbackFamily family = LoopbackFamily::Ipv4);
    explicit LoopbackServer(std::vector<ServerScript> scripts,
                            LoopbackFamily family = LoopbackFamily::Ipv4);
    // Serves every connection, however many come, with `handler`; waiting for a quiet client
    // gives up after `patience`. Nothing is recorded, so it can serve for hours. A `port`
    // other than 0 is listened on instead of an ephemeral one; when it is taken, the
    // constructor throws std::system_error.
    explicit LoopbackServer(Handler handler,
                            std::chrono::milliseconds patience = std::chrono::seconds(20),
                            std::uint16_t port = 0, LoopbackFamily family = LoopbackFamily::Ipv4);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const;

    // Waits until the connections made so far have been served; one still waiting for the
    // client gives up after a short grace. Call it when the client is done, before looking at
    // what was received.
    void Finish();

    // Waits until every connection accepted so far has been served and its thread has ended;
    // the server goes on accepting. Fuzz targets call it so a leak check never meets a
    // connection still being torn down.
    void JoinServed();

    [[nodiscard]] std::size_t ConnectionCount() const;
    // Every byte connection `index` received, in order.
    [[nodiscard]] std::string Received(std::size_t index = 0) const;
    // The same split into lines at LF, a CR before the LF removed; an unfinished last line is
    // included.
    [[nodiscard]] std::vector<std::string> ReceivedLines(std::size_t index = 0) const;
    // "expected <line>, got <line>" for every ExpectLine step the client did not satisfy.
    [[nodiscard]] std::vector<std::string> Mismatches() const;

private:
    std::shared_ptr<ServerState> m_state;
};

// A port of 127.0.0.1 (or ::1) that is bound but not listening, so connects to it are
// refused. The port stays reserved while the object lives.
class RefusingPort final {
public:
    explicit RefusingPort(LoopbackFamily family = LoopbackFamily::Ipv4);
    [[nodiscard]] std::uint16_t Port() const { return m_port; }

private:
    FileDescriptor m_socket;
    std::uint16_t m_port = 0;
};

// Whether this kernel gives the loopback interface its IPv6 address.
bool Ipv6LoopbackWorks();

// A listener of 127.0.0.1 whose accept queue is full and never served: new connects get no
// answer at all, so they run into the client's connect time-out.
class UnansweredListener final {
public:
    UnansweredListener();
    [[nodiscard]] std::uint16_t Port() const { return m_port; }

private:
    FileDescriptor m_listener;
    std::vector<FileDescriptor> m_fillers;
    std::uint16_t m_port = 0;
};

} // namespace velnorix::kit
