#include "probes/probe_errors.h"

#include <cstring>

namespace velnorix {

namespace {

std::string SystemErrorDescription(int code) {
    char buffer[256] = {};
    // The GNU strerror_r may return a static text instead of filling the buffer.
    return ::strerror_r(code, buffer, sizeof buffer);
}

} // namespace

std::string SocketErrorText(int code, std::string_view description) {
    std::string text = "Socket Error # " + std::to_string(code) + "\r\n";
    text += description;
    return text;
}

SocketError::SocketError(int code) : SocketError(code, SystemErrorDescription(code)) {}

SocketError::SocketError(int code, std::string_view description)
    : ProbeError(SocketErrorText(code, description)), m_code(code) {}

ReplyError::ReplyError(int code, std::string replyText)
    : ProbeError(replyText), m_code(code), m_replyText(std::move(replyText)) {}

void RequireSingleLineValue(std::string_view value, std::string_view field) {
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        throw ProbeError(std::string(field) + " contains a line break or NUL character.");
}

} // namespace velnorix
