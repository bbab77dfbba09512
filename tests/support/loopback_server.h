#pragma once

#include "base/file_descriptor.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Scripted TCP servers on 127.0.0.1 for network tests: each accepted connection plays one
// script on its own thread and every byte the client sends is recorded.
namespace velnorix::testing {

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

    struct Step;

private:
    friend class LoopbackServer;
    std::vector<std::shared_ptr<const Step>> m_steps;
};

// Listens on an ephemeral port of 127.0.0.1; the n-th accepted connection plays the n-th
// script. The destructor stops every script and waits for the threads.
class LoopbackServer final {
public:
    explicit LoopbackServer(ServerScript script);
    explicit LoopbackServer(std::vector<ServerScript> scripts);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const;

    // Waits until the connections made so far have played their scripts; a script still
    // waiting for the client gives up after a short grace. Call it when the client is done,
    // before looking at what was received.
    void Finish();

    [[nodiscard]] std::size_t ConnectionCount() const;
    // Every byte connection `index` received, in order.
    [[nodiscard]] std::string Received(std::size_t index = 0) const;
    // The same split into lines at LF, a CR before the LF removed; an unfinished last line is
    // included.
    [[nodiscard]] std::vector<std::string> ReceivedLines(std::size_t index = 0) const;
    // "expected <line>, got <line>" for every ExpectLine step the client did not satisfy.
    [[nodiscard]] std::vector<std::string> Mismatches() const;

    class State;

private:
    std::shared_ptr<State> m_state;
};

// A port of 127.0.0.1 that is bound but not listening, so connects to it are refused. The
// port stays reserved while the object lives.
class RefusingPort final {
public:
    RefusingPort();
    [[nodiscard]] std::uint16_t Port() const { return m_port; }

private:
    FileDescriptor m_socket;
    std::uint16_t m_port = 0;
};

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

} // namespace velnorix::testing
