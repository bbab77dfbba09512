#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// The errors that end a probe. what() is the exact text the probe reports.
namespace velnorix {

namespace error_text {
inline constexpr const char* kAlreadyConnected = "Already connected.";
inline constexpr const char* kCannotAllocateSocket = "Cannot allocate socket.";
inline constexpr const char* kNotConnected = "Not Connected";
inline constexpr const char* kConnectionClosedGracefully = "Connection Closed Gracefully.";
inline constexpr const char* kReadTimeout = "Read Timeout";
inline constexpr const char* kMaxLineLengthExceeded = "Max line length exceeded.";
inline constexpr const char* kPackageSizeTooBig = "Package Size Too Big.";
inline constexpr const char* kNotAllBytesSent = "Not all bytes sent.";
inline constexpr const char* kNonEchoTypeResponse = "Non-echo type response received";
} // namespace error_text

class ProbeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure at the socket level, with the system's error number.
class SocketError final : public ProbeError {
public:
    // The description is the system's text for the errno value `code`.
    explicit SocketError(int code);
    SocketError(int code, std::string_view description);
    [[nodiscard]] int ErrorCode() const { return m_code; }

private:
    int m_code;
};

// A numbered reply whose code was not among the accepted ones.
class ReplyError final : public ProbeError {
public:
    ReplyError(int code, std::string replyText);
    [[nodiscard]] int Code() const { return m_code; }
    [[nodiscard]] const std::string& ReplyText() const { return m_replyText; }

private:
    int m_code;
    std::string m_replyText;
};

// The peer closed the connection before the data asked for was complete.
class ConnectionClosedError final : public ProbeError {
public:
    ConnectionClosedError() : ProbeError(error_text::kConnectionClosedGracefully) {}
};

// The data asked for did not arrive within the read time-out.
class ReadTimeoutError final : public ProbeError {
public:
    ReadTimeoutError() : ProbeError(error_text::kReadTimeout) {}
};

// A wait for the peer's first word (a banner, a name server's answer) ran out with nothing.
class NoAnswerError final : public ProbeError {
public:
    using ProbeError::ProbeError;
};

// "Socket Error # <code>\r\n<description>"
std::string SocketErrorText(int code, std::string_view description);

// Rejects a value that would end a protocol line early or smuggle in another command: a CR,
// LF or NUL inside a host, user name or password. `field` names the value in the error.
void RequireSingleLineValue(std::string_view value, std::string_view field);

} // namespace velnorix
