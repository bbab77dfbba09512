#pragma once

#include "support/loopback_server.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>

// Web, POP3 and SMTP servers on 127.0.0.1 that fail at random the way real ones do now and
// then: refused log-ins, error replies, resets, early closes, garbage, answers in pieces.
// Every misbehaviour ends quickly, so probes with their default bounds never wait long. The
// web server always answers the path /ok, so a target that asks for it ends every cycle with
// the connection closed. The choices follow the seed, so a run can be repeated.
namespace velnorix::kit {

class FlakyServers final {
public:
    explicit FlakyServers(unsigned seed);
    FlakyServers(const FlakyServers&) = delete;
    FlakyServers& operator=(const FlakyServers&) = delete;

    [[nodiscard]] std::uint16_t HttpPort() const { return m_http.Port(); }
    [[nodiscard]] std::uint16_t Pop3Port() const { return m_pop3.Port(); }
    [[nodiscard]] std::uint16_t SmtpPort() const { return m_smtp.Port(); }
    // Exchanges served so far (a web request, a mail dialogue), and how many of them were
    // meant to fail.
    [[nodiscard]] long Exchanges() const { return m_exchanges; }
    [[nodiscard]] long Misbehaved() const { return m_misbehaved; }

    // A number from 0 to 99 for the next choice.
    int Roll();
    void NoteExchange(bool misbehaved);

private:
    std::mutex m_mutex;
    std::mt19937 m_random;
    std::atomic<long> m_exchanges{0};
    std::atomic<long> m_misbehaved{0};
    // Last, so their threads stop before what they use goes away.
    LoopbackServer m_http;
    LoopbackServer m_pop3;
    LoopbackServer m_smtp;
};

} // namespace velnorix::kit
