#pragma once

#include <string>

namespace velnorix {

// Where --metrics asked the endpoint to listen.
struct ListenAddress {
    std::string Host; // a numeric address; IPv6 without its brackets
    int Port = 0;
};

// "HOST:PORT" or "[IPV6]:PORT". Throws std::invalid_argument with a message for the operator.
ListenAddress ParseListenAddress(const std::string& text);

} // namespace velnorix
