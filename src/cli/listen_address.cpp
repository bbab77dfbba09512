#include "cli/listen_address.h"

#include <arpa/inet.h>
#include <charconv>
#include <stdexcept>

namespace velnorix {
namespace {

bool IsNumericAddress(const std::string& host) {
    unsigned char buffer[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

} // namespace

ListenAddress ParseListenAddress(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        throw std::invalid_argument("--metrics needs HOST:PORT, not \"" + text + "\"");
    ListenAddress address;
    address.Host = text.substr(0, colon);
    if (address.Host.size() >= 2 && address.Host.front() == '[' && address.Host.back() == ']')
        address.Host = address.Host.substr(1, address.Host.size() - 2);
    // A name would need a lookup and could stand for more than one interface; an address cannot.
    if (!IsNumericAddress(address.Host))
        throw std::invalid_argument("--metrics needs a numeric address such as 127.0.0.1, not \"" +
                                    address.Host + "\"");
    const std::string port = text.substr(colon + 1);
    const char* end = port.data() + port.size();
    const auto [stop, error] = std::from_chars(port.data(), end, address.Port);
    if (port.empty() || error != std::errc{} || stop != end || address.Port < 1 ||
        address.Port > 65535)
        throw std::invalid_argument("--metrics needs a port from 1 to 65535, not \"" + port + "\"");
    return address;
}

} // namespace velnorix
