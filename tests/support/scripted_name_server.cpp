#include "support/scripted_name_server.h"

#include "probes/probe_errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace velnorix::kit {
namespace {

// A name as labels (RFC 1035 3.1), without compression.
std::vector<std::uint8_t> EncodedName(const std::string& name) {
    std::vector<std::uint8_t> bytes;
    std::size_t start = 0;
    while (start < name.size()) {
        const std::size_t dot = std::min(name.find('.', start), name.size());
        bytes.push_back(static_cast<std::uint8_t>(dot - start));
        bytes.insert(bytes.end(), name.begin() + static_cast<std::ptrdiff_t>(start),
                     name.begin() + static_cast<std::ptrdiff_t>(dot));
        start = dot + 1;
    }
    bytes.push_back(0);
    return bytes;
}

void AppendShort(std::vector<std::uint8_t>& bytes, std::size_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

} // namespace

ScriptedRecord ARecord(const std::string& dotted) {
    ScriptedRecord record{1, std::vector<std::uint8_t>(4)};
    ::inet_pton(AF_INET, dotted.c_str(), record.Data.data());
    return record;
}

ScriptedRecord AaaaRecord(const std::string& address) {
    ScriptedRecord record{28, std::vector<std::uint8_t>(16)};
    ::inet_pton(AF_INET6, address.c_str(), record.Data.data());
    return record;
}

ScriptedRecord MxRecord(std::uint16_t preference, const std::string& host) {
    ScriptedRecord record{15, {}};
    AppendShort(record.Data, preference);
    const std::vector<std::uint8_t> name = EncodedName(host);
    record.Data.insert(record.Data.end(), name.begin(), name.end());
    return record;
}

ScriptedRecord TxtRecord(const std::vector<std::string>& strings) {
    ScriptedRecord record{16, {}};
    for (const std::string& text : strings) {
        record.Data.push_back(static_cast<std::uint8_t>(text.size()));
        record.Data.insert(record.Data.end(), text.begin(), text.end());
    }
    return record;
}

ScriptedRecord CnameRecord(const std::string& name) {
    return {5, EncodedName(name)};
}

ScriptedRecord NsRecord(const std::string& name) {
    return {2, EncodedName(name)};
}

ScriptedNameServer::ScriptedNameServer(Answer answer, std::vector<ScriptedRecord> records)
    : m_answer(answer), m_records(std::move(records)),
      m_socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{
        .sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if (::bind(m_socket.Get(), raw, length) != 0 ||
        ::getsockname(m_socket.Get(), raw, &length) != 0)
        throw SocketError(errno);
    m_address = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    m_thread = std::thread([this] { Serve(); });
}

ScriptedNameServer::ScriptedNameServer(Answer answer, const std::vector<std::string>& addresses)
    : ScriptedNameServer(answer, [&] {
          std::vector<ScriptedRecord> records;
          for (const std::string& address : addresses)
              records.push_back(ARecord(address));
          return records;
      }()) {}

ScriptedNameServer::~ScriptedNameServer() {
    m_stop = true;
    m_thread.join();
}

void ScriptedNameServer::Serve() {
    pollfd wait{m_socket.Get(), POLLIN, 0};
    while (!m_stop) {
        std::vector<std::uint8_t> query(512);
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t size = ::poll(&wait, 1, 20) <= 0
                                 ? 0
                                 : ::recvfrom(m_socket.Get(), query.data(), query.size(), 0,
                                              reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (size < 12)
            continue;
        ++m_queries;
        query.resize(static_cast<std::size_t>(size));
        const std::vector<std::uint8_t> reply = Reply(query);
        if (m_answer != Answer::Silence && !reply.empty())
            ::sendto(m_socket.Get(), reply.data(), reply.size(), 0,
                     reinterpret_cast<const sockaddr*>(&from), fromLength);
    }
}

// The query's id and question, then the answer records (RFC 1035 4.1).
std::vector<std::uint8_t> ScriptedNameServer::Reply(const std::vector<std::uint8_t>& query) const {
    std::size_t end = 12;
    while (end < query.size() && query[end] != 0)
        end += query[end] + 1U;
    if (end + 5 > query.size())
        return {};
    const std::uint16_t type = static_cast<std::uint16_t>((query[end + 1] << 8) | query[end + 2]);
    std::vector<const ScriptedRecord*> answers;
    for (const ScriptedRecord& record : m_records) {
        if (m_answer == Answer::Records && record.Type == type)
            answers.push_back(&record);
    }
    const std::uint8_t rcode = m_answer == Answer::NoSuchName      ? 3
                               : m_answer == Answer::ServerFailure ? 2
                                                                   : 0;
    std::vector<std::uint8_t> reply = {
        query[0], query[1], 0x81, static_cast<std::uint8_t>(0x80 | rcode), 0, 1};
    AppendShort(reply, answers.size());
    reply.insert(reply.end(), {0, 0, 0, 0});
    // The question: its name, the root label, type and class.
    reply.insert(reply.end(), query.begin() + 12,
                 query.begin() + static_cast<std::ptrdiff_t>(end + 5));
    for (const ScriptedRecord* record : answers) {
        // The question's name by pointer, the type, class IN, a minute, the data.
        reply.insert(reply.end(), {0xC0, 12});
        AppendShort(reply, record->Type);
        reply.insert(reply.end(), {0, 1, 0, 0, 0, 60});
        AppendShort(reply, record->Data.size());
        reply.insert(reply.end(), record->Data.begin(), record->Data.end());
    }
    return reply;
}

} // namespace velnorix::kit
