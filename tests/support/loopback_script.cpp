#include "support/loopback_server.h"

// The steps of a server script: each one a call on the connection it is played on.
namespace velnorix::kit {

using std::chrono::milliseconds;

ServerScript& ServerScript::Then(Step step) {
    m_steps.push_back(std::move(step));
    return *this;
}

ServerScript& ServerScript::Send(std::string bytes) {
    return Then([bytes = std::move(bytes)](Connection& c) { return c.Send(bytes); });
}

ServerScript& ServerScript::SendLine(std::string_view text) {
    return Send(std::string(text) + "\r\n");
}

ServerScript& ServerScript::Trickle(std::string bytes, milliseconds gap) {
    return Then([bytes = std::move(bytes), gap](Connection& c) { return c.Trickle(bytes, gap); });
}

ServerScript& ServerScript::ExpectLine(std::string expected) {
    return Then([expected = std::move(expected)](Connection& c) { return c.ExpectLine(expected); });
}

ServerScript& ServerScript::ReadLine() {
    return Then([](Connection& c) { return c.ReadLine().has_value(); });
}

ServerScript& ServerScript::Pause(milliseconds duration) {
    return Then([duration](Connection& c) { return c.Pause(duration); });
}

ServerScript& ServerScript::Close() {
    return Then([](Connection& c) {
        c.Close();
        return false;
    });
}

ServerScript& ServerScript::Reset() {
    return Then([](Connection& c) {
        c.Reset();
        return false;
    });
}

ServerScript& ServerScript::Silence() {
    return Then([](Connection& c) {
        c.DrainUntilClosed();
        return false;
    });
}

ServerScript& ServerScript::Flood(std::string chunk) {
    return Then([chunk = std::move(chunk)](Connection& c) {
        c.Flood(chunk);
        return false;
    });
}

ServerScript& ServerScript::StartTls(std::shared_ptr<ssl_ctx_st> context) {
    return Then([context = std::move(context)](Connection& c) { return c.StartTls(context); });
}

void ServerScript::Play(Connection& connection) const {
    for (const Step& step : m_steps) {
        if (!step(connection))
            return;
    }
    connection.DrainUntilClosed();
}

} // namespace velnorix::kit
