#pragma once

#include "base/file_descriptor.h"
#include "probes/name_lookup.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// A name server on a UDP port of 127.0.0.1 for tests and benchmarks.
namespace velnorix::kit {

enum class Answer { Silence, NoSuchName, ServerFailure, Records };

// One resource record the server holds for every name: its type code and its data.
struct ScriptedRecord {
    std::uint16_t Type = 0;
    std::vector<std::uint8_t> Data;
};

ScriptedRecord ARecord(const std::string& dotted);
ScriptedRecord AaaaRecord(const std::string& address);
ScriptedRecord MxRecord(std::uint16_t preference, const std::string& host);
// One record of one or more strings.
ScriptedRecord TxtRecord(const std::vector<std::string>& strings);
ScriptedRecord CnameRecord(const std::string& name);
ScriptedRecord NsRecord(const std::string& name);

// Gives every query the same kind of answer: none at all, "no such name", "server failure", or
// the records of the question's type among those held (none: an empty answer).
class ScriptedNameServer final {
public:
    explicit ScriptedNameServer(Answer answer, std::vector<ScriptedRecord> records = {});
    // A records for the dotted addresses.
    ScriptedNameServer(Answer answer, const std::vector<std::string>& addresses);
    ~ScriptedNameServer();
    ScriptedNameServer(const ScriptedNameServer&) = delete;
    ScriptedNameServer& operator=(const ScriptedNameServer&) = delete;

    // "127.0.0.1:<port>".
    [[nodiscard]] const std::string& Address() const { return m_address; }
    [[nodiscard]] NameLookupSettings DnsOnly() const {
        return {.Servers = m_address, .Lookups = "b"};
    }
    [[nodiscard]] int Queries() const { return m_queries; }

private:
    void Serve();
    [[nodiscard]] std::vector<std::uint8_t> Reply(const std::vector<std::uint8_t>& query) const;

    Answer m_answer;
    std::vector<ScriptedRecord> m_records;
    FileDescriptor m_socket;
    std::string m_address;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_queries = 0;
    std::thread m_thread;
};

} // namespace velnorix::kit
