#include "alerts/alert_receivers.h"

namespace velnorix::kit {

void Received::Add(std::string item) {
    const std::lock_guard lock(m_mutex);
    m_items.push_back(std::move(item));
}

std::vector<std::string> Received::All() const {
    const std::lock_guard lock(m_mutex);
    return m_items;
}

WebhookReceiver::WebhookReceiver(std::uint16_t port)
    : m_server(
          [bodies = m_bodies](Connection& connection) {
              // The request line and headers up to the empty line; the body is one line.
              for (auto line = connection.ReadLine(); line && !line->empty();
                   line = connection.ReadLine()) {
              }
              if (const auto body = connection.ReadLine())
                  bodies->Add(*body);
              connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
              connection.Close();
          },
          std::chrono::seconds(20), port) {}

std::string WebhookReceiver::Url() const {
    return "http://127.0.0.1:" + std::to_string(m_server.Port()) + "/hook";
}

MailReceiver::MailReceiver()
    : m_server([mails = m_mails](Connection& connection) {
          connection.SendLine("220 receiver ESMTP");
          std::string mail;
          while (const auto line = connection.ReadLine()) {
              const std::string verb = line->substr(0, 4);
              if (verb == "DATA") {
                  connection.SendLine("354 go ahead");
                  for (auto text = connection.ReadLine(); text && *text != ".";
                       text = connection.ReadLine())
                      mail += *text + "\n";
                  mails->Add(std::move(mail));
                  mail.clear();
                  connection.SendLine("250 queued");
              } else if (verb == "QUIT") {
                  connection.SendLine("221 bye");
                  break;
              } else {
                  // EHLO, MAIL FROM and RCPT TO are kept as the mail's envelope.
                  mail += *line + "\n";
                  connection.SendLine("250 ok");
              }
          }
          connection.Close();
      }) {}

std::string MailReceiver::Address() const {
    return "127.0.0.1:" + std::to_string(m_server.Port());
}

AlertMessage ChangesOf(int count, std::int64_t time) {
    AlertMessage message;
    for (int n = 1; n <= count; ++n) {
        const bool down = n % 2 == 1;
        message.Changes.push_back({"<HTML>", "http://site" + std::to_string(n) + ".test/",
                                   down ? TargetState::Up : TargetState::Down,
                                   down ? TargetState::Down : TargetState::Up,
                                   down ? "Connection refused \"quoted\"\tand tabbed" : "", time});
    }
    return message;
}

} // namespace velnorix::kit
