#pragma once

#include "alerts/alert_message.h"
#include "support/loopback_server.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Receivers on 127.0.0.1 that the alert channels deliver to, keeping what they were given.
namespace velnorix::kit {

// Keeps what a receiver's connections hand over, safe across their threads.
class Received final {
public:
    void Add(std::string item);
    [[nodiscard]] std::vector<std::string> All() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_items;
};

// Answers every POST with 200 and keeps its body (one line of JSON).
class WebhookReceiver final {
public:
    explicit WebhookReceiver(std::uint16_t port = 0);
    [[nodiscard]] std::string Url() const;
    [[nodiscard]] std::vector<std::string> Bodies() const { return m_bodies->All(); }

private:
    std::shared_ptr<Received> m_bodies = std::make_shared<Received>();
    LoopbackServer m_server;
};

// Speaks enough SMTP (EHLO, MAIL FROM, RCPT TO, DATA, QUIT) to take mail, and keeps each mail's
// envelope and text.
class MailReceiver final {
public:
    MailReceiver();
    [[nodiscard]] std::string Address() const;
    [[nodiscard]] std::vector<std::string> Mails() const { return m_mails->All(); }

private:
    std::shared_ptr<Received> m_mails = std::make_shared<Received>();
    LoopbackServer m_server;
};

// Ten targets changing at once, or the given count: the odd ones going down, the even ones back.
AlertMessage ChangesOf(int count, std::int64_t time);

} // namespace velnorix::kit
