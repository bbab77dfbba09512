#include "probes/dns_client.h"

#include "probes/ares_channel.h"
#include "probes/ascii_text.h"
#include "probes/dns_answer.h"
#include "probes/network_bounds.h"
#include "probes/probe_errors.h"

#include <arpa/inet.h>
#include <array>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>

namespace velnorix {
namespace {

// RFC 1035 3.2.2 and RFC 3596 2.1.
constexpr int kClassIn = 1;
int TypeCode(DnsRecordType type) {
    switch (type) {
    case DnsRecordType::Aaaa:
        return 28;
    case DnsRecordType::Mx:
        return 15;
    case DnsRecordType::Txt:
        return 16;
    case DnsRecordType::Cname:
        return 5;
    case DnsRecordType::Ns:
        return 2;
    case DnsRecordType::A:
        break;
    }
    return 1;
}

// The words an operator knows the outcome by: the rcode where the server gave one.
std::string StatusText(int status, DnsRecordType type) {
    switch (status) {
    case ARES_ENOTFOUND:
        return "DNS NXDOMAIN";
    case ARES_ESERVFAIL:
        return "DNS SERVFAIL";
    case ARES_EREFUSED:
        return "DNS REFUSED";
    case ARES_ENOTIMP:
        return "DNS NOTIMP";
    case ARES_EFORMERR:
        return "DNS FORMERR";
    case ARES_ENODATA:
        return "DNS NOERROR: no " + std::string(RecordTypeName(type)) + " record";
    default:
        return std::string("DNS: ") + ::ares_strerror(status);
    }
}

using Hostent = std::unique_ptr<hostent, decltype(&::ares_free_hostent)>;

std::vector<std::string> AddressesOf(const hostent& host) {
    std::vector<std::string> values;
    std::array<char, INET6_ADDRSTRLEN> text{};
    for (char** address = host.h_addr_list; address != nullptr && *address != nullptr; ++address) {
        if (::inet_ntop(host.h_addrtype, *address, text.data(), text.size()) != nullptr)
            values.emplace_back(text.data());
    }
    return values;
}

std::vector<std::string> AliasesOf(const hostent& host) {
    std::vector<std::string> values;
    for (char** alias = host.h_aliases; alias != nullptr && *alias != nullptr; ++alias)
        values.push_back(PrintableText(*alias));
    return values;
}

// Each parser leaves the c-ares status in `status`.
std::vector<std::string> ParseValues(DnsRecordType type, const unsigned char* answer, int length,
                                     int& status) {
    std::vector<std::string> values;
    hostent* raw = nullptr;
    switch (type) {
    case DnsRecordType::A:
    case DnsRecordType::Cname: {
        status = ::ares_parse_a_reply(answer, length, &raw, nullptr, nullptr);
        const Hostent host(raw, ::ares_free_hostent);
        if (status != ARES_SUCCESS || !host)
            break;
        if (type == DnsRecordType::A)
            return AddressesOf(*host);
        // The chain's end is the canonical name the query's name stands for.
        if (host->h_name != nullptr)
            values.push_back(PrintableText(host->h_name));
        break;
    }
    case DnsRecordType::Aaaa: {
        status = ::ares_parse_aaaa_reply(answer, length, &raw, nullptr, nullptr);
        const Hostent host(raw, ::ares_free_hostent);
        if (status == ARES_SUCCESS && host)
            return AddressesOf(*host);
        break;
    }
    case DnsRecordType::Ns: {
        status = ::ares_parse_ns_reply(answer, length, &raw);
        const Hostent host(raw, ::ares_free_hostent);
        if (status == ARES_SUCCESS && host)
            return AliasesOf(*host);
        break;
    }
    case DnsRecordType::Mx: {
        ares_mx_reply* first = nullptr;
        status = ::ares_parse_mx_reply(answer, length, &first);
        const std::unique_ptr<void, decltype(&::ares_free_data)> owner(first, ::ares_free_data);
        for (const ares_mx_reply* mx = first; status == ARES_SUCCESS && mx != nullptr;
             mx = mx->next)
            values.push_back(std::to_string(mx->priority) + " " + PrintableText(mx->host));
        break;
    }
    case DnsRecordType::Txt: {
        ares_txt_ext* first = nullptr;
        status = ::ares_parse_txt_reply_ext(answer, length, &first);
        const std::unique_ptr<void, decltype(&::ares_free_data)> owner(first, ::ares_free_data);
        // A record's strings read as one text (RFC 7208 3.3).
        for (const ares_txt_ext* txt = first; status == ARES_SUCCESS && txt != nullptr;
             txt = txt->next) {
            const std::string piece(reinterpret_cast<const char*>(txt->txt), txt->length);
            if (txt->record_start != 0 || values.empty())
                values.push_back(PrintableText(piece));
            else
                values.back() += PrintableText(piece);
        }
        break;
    }
    }
    return values;
}

struct Outcome {
    bool Done = false;
    int Status = ARES_SUCCESS;
    std::vector<unsigned char> Answer;
};

void TakeAnswer(void* arg, int status, int /*timeouts*/, unsigned char* answer, int length) {
    auto& outcome = *static_cast<Outcome*>(arg);
    outcome.Done = true;
    outcome.Status = status;
    if (status == ARES_SUCCESS && answer != nullptr && length > 0)
        outcome.Answer.assign(answer, answer + length);
}

} // namespace

std::vector<std::string> AnswerValues(DnsRecordType type, const unsigned char* answer, int length) {
    int status = ARES_SUCCESS;
    std::vector<std::string> values = ParseValues(type, answer, length, status);
    if (status == ARES_SUCCESS && values.empty())
        status = ARES_ENODATA;
    if (status != ARES_SUCCESS)
        throw ProbeError(StatusText(status, type));
    return values;
}

void DnsClient::Query(const DnsQuestion& question) {
    m_answer.clear();
    RequireSingleLineValue(question.Name, "The name");
    const std::chrono::milliseconds timeout = Capped(kDnsQueryTimeout, question.Timeout);
    // Two tries whose waits, the second twice the first, fill the time-out.
    AresChannelSettings settings{.Servers = question.Server,
                                 .Lookups = "b",
                                 .TryTimeout = std::max(timeout / 3, std::chrono::milliseconds(1)),
                                 .Tries = 2,
                                 // The server's own SERVFAIL or REFUSED is the verdict, not a
                                 // cue to ask elsewhere and report "could not contact".
                                 .Flags = ARES_FLAG_NOCHECKRESP};
    // Made before the channel, so it outlives it: destroying the channel ends a query still
    // under way, and its answer lands here.
    Outcome outcome;
    int status = ARES_SUCCESS;
    const AresChannel channel = OpenAresChannel(settings, status);
    if (!channel)
        throw ProbeError(StatusText(status, question.Type));
    ::ares_query(channel.get(), question.Name.c_str(), kClassIn, TypeCode(question.Type),
                 TakeAnswer, &outcome);
    try {
        RunAresUntil(
            channel.get(), [&outcome] { return outcome.Done; }, Deadline(timeout));
    } catch (const SocketError& error) {
        if (error.ErrorCode() == ETIMEDOUT)
            throw NoAnswerError("DNS: no answer in time");
        throw;
    }
    if (outcome.Status == ARES_ETIMEOUT)
        throw NoAnswerError("DNS: no answer in time");
    if (outcome.Status != ARES_SUCCESS)
        throw ProbeError(StatusText(outcome.Status, question.Type));
    m_answer =
        AnswerValues(question.Type, outcome.Answer.data(), static_cast<int>(outcome.Answer.size()));
    const std::vector<std::string> missing =
        MissingFromAnswer(question.Type, question.Expected, m_answer);
    if (!missing.empty())
        throw ProbeError(MissingAnswerReason(missing, m_answer));
}

} // namespace velnorix
