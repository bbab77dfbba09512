#include "probes/name_lookup.h"

#include "probes/ares_channel.h"
#include "probes/probe_errors.h"

#include <algorithm>
#include <ares.h>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>

namespace velnorix {
namespace {

// The getaddrinfo error a resolver outcome stands for.
int AddrInfoErrorOf(int status) {
    switch (status) {
    case ARES_ENOTFOUND:
    case ARES_ENONAME:
    case ARES_EBADNAME:
        return EAI_NONAME;
    case ARES_ENODATA:
        return EAI_NODATA;
    case ARES_ETIMEOUT:
    case ARES_ECONNREFUSED:
    case ARES_ESERVFAIL:
    case ARES_EREFUSED:
        return EAI_AGAIN;
    case ARES_ENOMEM:
        return EAI_MEMORY;
    default:
        return EAI_FAIL;
    }
}

SocketError LookupError(int status) {
    const int code = AddrInfoErrorOf(status);
    return SocketError(code, ::gai_strerror(code));
}

AresChannel OpenChannel(const NameLookupSettings& settings) {
    int status = ARES_SUCCESS;
    AresChannel channel =
        OpenAresChannel({.Servers = settings.Servers, .Lookups = settings.Lookups}, status);
    if (!channel)
        throw LookupError(status);
    return channel;
}

struct Outcome {
    bool Done = false;
    int Status = ARES_SUCCESS;
    std::vector<std::string> Addresses;
};

// The node's address as text, dotted or IPv6; empty for any other family.
std::string AddressText(const ares_addrinfo_node& node) {
    std::array<char, INET6_ADDRSTRLEN> text{};
    if (node.ai_family == AF_INET && node.ai_addrlen >= sizeof(sockaddr_in)) {
        sockaddr_in address{};
        std::memcpy(&address, node.ai_addr, sizeof address);
        ::inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size());
    } else if (node.ai_family == AF_INET6 && node.ai_addrlen >= sizeof(sockaddr_in6)) {
        sockaddr_in6 address{};
        std::memcpy(&address, node.ai_addr, sizeof address);
        ::inet_ntop(AF_INET6, &address.sin6_addr, text.data(), text.size());
    }
    return text.data();
}

void TakeAnswer(void* arg, int status, int /*timeouts*/, ares_addrinfo* result) {
    auto& outcome = *static_cast<Outcome*>(arg);
    const std::unique_ptr<ares_addrinfo, decltype(&::ares_freeaddrinfo)> owner(result,
                                                                               ::ares_freeaddrinfo);
    outcome.Done = true;
    outcome.Status = status;
    if (status != ARES_SUCCESS || result == nullptr)
        return;
    for (const ares_addrinfo_node* node = result->nodes; node != nullptr; node = node->ai_next) {
        std::string text = AddressText(*node);
        // A name server that answers both queries alike would have each address tried twice.
        if (!text.empty() && std::ranges::find(outcome.Addresses, text) == outcome.Addresses.end())
            outcome.Addresses.push_back(std::move(text));
    }
}

} // namespace

std::vector<std::string> LookUpAddresses(const std::string& host, const Deadline& deadline,
                                         const NameLookupSettings& settings) {
    // Made before the channel, so it outlives it: destroying the channel on the way out ends a
    // lookup still under way, and its answer lands here.
    Outcome outcome;
    const AresChannel channel = OpenChannel(settings);
    ares_addrinfo_hints hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    ::ares_getaddrinfo(channel.get(), host.c_str(), nullptr, &hints, TakeAnswer, &outcome);
    RunAresUntil(
        channel.get(), [&outcome] { return outcome.Done; }, deadline);
    if (outcome.Status != ARES_SUCCESS)
        throw LookupError(outcome.Status);
    if (outcome.Addresses.empty())
        throw LookupError(ARES_ENODATA);
    return outcome.Addresses;
}

} // namespace velnorix
