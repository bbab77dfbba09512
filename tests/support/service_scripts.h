#pragma once

#include "support/loopback_server.h"

#include <string>

// What a healthy server of each probed kind says to one probe, for scripted loopback servers.
namespace velnorix::kit {

// Reads the HEAD request (the request line, four headers, the empty line) and answers 200.
ServerScript WebPage();
// Greets, takes USER and PASS with the given log-in, and waits for QUIT.
ServerScript Pop3Login(const std::string& user, const std::string& password);
// Greets, answers the client's EHLO, whatever name it gives, and waits for QUIT.
ServerScript SmtpGreeting();
// The same, noting an EHLO with a name other than `clientName` in the server's Mismatches().
ServerScript SmtpGreeting(const std::string& clientName);

} // namespace velnorix::kit
