#include "alerts/mail_channel.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <curl/curl.h>
#include <memory>
#include <string_view>

namespace velnorix {
namespace {

std::string HeaderValue(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

// RFC 5322, section 3.3.
std::string MailDate(std::int64_t now) {
    const auto seconds = static_cast<std::time_t>(now);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[64] = {};
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", &parts);
    return text;
}

struct UploadSource {
    std::string_view Remaining;

    static std::size_t Read(char* buffer, std::size_t size, std::size_t count, void* user) {
        auto* source = static_cast<UploadSource*>(user);
        const std::size_t length = std::min(size * count, source->Remaining.size());
        std::memcpy(buffer, source->Remaining.data(), length);
        source->Remaining.remove_prefix(length);
        return length;
    }
};

// Mail addresses go into the envelope in angle brackets.
std::string Envelope(const std::string& address) {
    return "<" + HeaderValue(address) + ">";
}

} // namespace

std::string MailText(const AlertMessage& message, const std::string& from,
                     const std::vector<std::string>& recipients, std::int64_t now) {
    std::string to;
    for (const std::string& recipient : recipients)
        to += (to.empty() ? "" : ", ") + HeaderValue(recipient);
    std::string text = "Date: " + MailDate(now) + "\r\nFrom: " + HeaderValue(from) +
                       "\r\nTo: " + to + "\r\nSubject: " + HeaderValue(AlertTitle(message)) +
                       "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n";
    // SMTP is line-oriented: every line ends in CR LF; libcurl doubles a leading dot itself.
    for (const char c : AlertText(message)) {
        if (c == '\n')
            text += "\r\n";
        else if (c != '\r')
            text += c;
    }
    return text;
}

MailChannel::MailChannel(const AlertSettings& settings, TransferTrust trust, TransferBounds bounds)
    : m_settings(settings), m_trust(std::move(trust)), m_bounds(bounds) {}

DeliveryResult MailChannel::Deliver(const AlertMessage& message) {
    if (m_settings.Mail.empty() || m_settings.MailServer.empty())
        return DeliveryResult::Failure("no mail server or recipient is set");
    CurlTransfer transfer(m_trust, m_bounds, m_abandoned, "smtp,smtps");
    CURL* curl = static_cast<CURL*>(transfer.Handle());
    const bool implicitTls = m_settings.MailSecurity == TargetSecurity::Tls;
    const std::string url = (implicitTls ? "smtps://" : "smtp://") + m_settings.MailServer;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USE_SSL,
                     m_settings.MailSecurity == TargetSecurity::StartTls
                         ? static_cast<long>(CURLUSESSL_ALL)
                         : static_cast<long>(CURLUSESSL_NONE));
    if (!m_settings.MailUser.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, m_settings.MailUser.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m_settings.MailPassword.c_str());
    }
    const std::string from = Envelope(m_settings.MailFrom);
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> recipients(nullptr,
                                                                           &curl_slist_free_all);
    for (const std::string& address : m_settings.Mail)
        recipients.reset(curl_slist_append(recipients.release(), Envelope(address).c_str()));
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.get());
    const std::string text =
        MailText(message, m_settings.MailFrom, m_settings.Mail,
                 message.Changes.empty() ? std::int64_t{0} : message.Changes.front().Time);
    UploadSource source{text};
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &UploadSource::Read);
    curl_easy_setopt(curl, CURLOPT_READDATA, &source);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    return transfer.Perform();
}

} // namespace velnorix
