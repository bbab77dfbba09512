#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace velnorix {

inline constexpr std::string_view kUndefinedSituationText = "Undefined situation";

// An error that ends a HEAD exchange for a reason of the HTTP layer itself.
class HttpError : public std::runtime_error {
public:
    explicit HttpError(const std::string& message) : std::runtime_error(message) {}
};

// The server answered, but not with a success: carries the status code and the status line.
class HttpProtocolError final : public HttpError {
public:
    HttpProtocolError(int statusCode, const std::string& statusLine)
        : HttpError(statusLine), m_statusCode(statusCode) {}
    [[nodiscard]] int StatusCode() const { return m_statusCode; }

private:
    int m_statusCode;
};

// A text that had to be a whole number was not one.
class NumberConversionError final : public HttpError {
public:
    explicit NumberConversionError(std::string_view text)
        : HttpError("'" + std::string(text) + "' is not a valid integer value") {}
};

} // namespace velnorix
