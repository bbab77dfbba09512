#pragma once

#include "probes/probe_interfaces.h"

#include <string>
#include <vector>

namespace velnorix {

// The records of one answer of `type` as text: dotted IPv4, IPv6, "<preference> <host>" for
// MX, a TXT record's strings joined, a host name for CNAME and NS; control characters become
// "?". Throws ProbeError when the answer does not parse, or "DNS NOERROR: no <type> record"
// when it holds none of the type.
std::vector<std::string> AnswerValues(DnsRecordType type, const unsigned char* answer, int length);

// The DNS probe: one query of the question's type through c-ares, to the question's name
// server or the system's, bounded by the question's time-out (two tries, the second twice as
// long). Fails with the answer's rcode ("DNS NXDOMAIN", "DNS SERVFAIL"), with NoAnswerError
// ("DNS: no answer in time") when no server answers, and with MissingAnswerReason when an
// expected value is not in the answer set.
class DnsClient final : public DnsProbe {
public:
    void Query(const DnsQuestion& question) override;
    // The answer set of the last query that had one.
    [[nodiscard]] const std::vector<std::string>& LastAnswer() const { return m_answer; }

private:
    std::vector<std::string> m_answer;
};

} // namespace velnorix
