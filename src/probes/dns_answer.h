#pragma once

#include "probes/dns_question.h"

#include <string>
#include <vector>

// What a DNS answer set holds, judged against the values a target expects.
namespace velnorix {

// Whether the answer value `answer` of `type` is the expected `value`: addresses by their
// bytes ("::1" is "0::1"), names in any letter case with or without the final dot, an MX
// value by its host alone or by preference and host, TXT text exactly.
bool AnswerHolds(DnsRecordType type, const std::string& answer, const std::string& value);

// The expected values no answer holds, in the order given.
std::vector<std::string> MissingFromAnswer(DnsRecordType type,
                                           const std::vector<std::string>& expected,
                                           const std::vector<std::string>& answers);

// "Missing from answer: <missing>; answer: <answers>", each list joined by ", ".
std::string MissingAnswerReason(const std::vector<std::string>& missing,
                                const std::vector<std::string>& answers);

} // namespace velnorix
