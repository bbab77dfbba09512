#include "support/service_scripts.h"

namespace velnorix::kit {

namespace {

ServerScript SmtpAfterEhlo(ServerScript greeted) {
    return greeted.SendLine("250 mail.test").ExpectLine("QUIT");
}

} // namespace

ServerScript WebPage() {
    ServerScript script;
    for (int line = 0; line < 6; ++line)
        script.ReadLine();
    script.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    return script;
}

ServerScript Pop3Login(const std::string& user, const std::string& password) {
    return ServerScript()
        .SendLine("+OK POP3 ready")
        .ExpectLine("USER " + user)
        .SendLine("+OK")
        .ExpectLine("PASS " + password)
        .SendLine("+OK logged in")
        .ExpectLine("QUIT");
}

ServerScript SmtpGreeting() {
    return SmtpAfterEhlo(ServerScript().SendLine("220 mail.test ESMTP").ReadLine());
}

ServerScript SmtpGreeting(const std::string& clientName) {
    return SmtpAfterEhlo(
        ServerScript().SendLine("220 mail.test ESMTP").ExpectLine("EHLO " + clientName));
}

} // namespace velnorix::kit
