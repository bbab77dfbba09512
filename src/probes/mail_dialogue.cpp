#include "probes/mail_dialogue.h"

#include <exception>

namespace velnorix {

void OpenMailDialogue(TcpConnection& connection, const std::function<void()>& steps) {
    try {
        connection.OpenConnection();
        try {
            steps();
        } catch (...) {
            try {
                EndMailDialogue(connection);
            } catch (const std::exception&) {
                // The failed step is what the probe reports, not the QUIT after it.
            }
            throw;
        }
    } catch (...) {
        // The next probe sees the server's certificate again rather than resuming past a
        // failure, whatever its cause.
        connection.ForgetTlsSession();
        throw;
    }
}

void EndMailDialogue(TcpConnection& connection) {
    std::exception_ptr failure;
    if (connection.IsOpen()) {
        try {
            connection.WriteLine("QUIT");
        } catch (const std::exception&) {
            failure = std::current_exception();
        }
    }
    connection.CloseConnection();
    if (failure) {
        connection.ForgetTlsSession();
        std::rethrow_exception(failure);
    }
}

} // namespace velnorix
