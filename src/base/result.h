#pragma once

#include <string>
#include <utility>
#include <variant>

namespace velnorix {

// A value, or the message of why there is none: what an operation that can fail for reasons
// the operator must read returns, so the caller decides what to change and what to show.
template <typename T>
class Result {
public:
    // NOLINTNEXTLINE(google-explicit-constructor): a value is a success wherever one is returned.
    Result(T value) : m_state(std::move(value)) {}
    [[nodiscard]] static Result Failure(std::string message) {
        return Result(Error{std::move(message)});
    }

    [[nodiscard]] bool Succeeded() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return Succeeded(); }
    // Only on a success.
    [[nodiscard]] T& operator*() { return std::get<T>(m_state); }
    [[nodiscard]] const T& operator*() const { return std::get<T>(m_state); }
    [[nodiscard]] T* operator->() { return &std::get<T>(m_state); }
    [[nodiscard]] const T* operator->() const { return &std::get<T>(m_state); }
    // Only on a failure.
    [[nodiscard]] const std::string& Message() const { return std::get<Error>(m_state).Message; }

private:
    struct Error {
        std::string Message;
    };
    explicit Result(Error error) : m_state(std::move(error)) {}

    std::variant<T, Error> m_state;
};

} // namespace velnorix
