// The whole HEAD exchange of the web site probe against a server on 127.0.0.1 that answers
// with the input: the status line, the headers, interim responses and cookies, all through
// the real TCP layer.
#include "kit/fake_host.h"
#include "loopback_peer.h"
#include "probes/http/http_client.h"
#include "probes/http/response_rules.h"
#include "property_failed.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

using namespace velnorix;
using fuzzing::LoopbackPeer;

namespace {

constexpr std::size_t kMaxResponse = 32 * 1024;

HttpClientSettings FuzzSettings() {
    HttpClientSettings settings;
    settings.Connection.ConnectTimeout = std::chrono::seconds(2);
    settings.Connection.ReadTimeout = std::chrono::seconds(2);
    settings.Connection.WriteTimeout = std::chrono::seconds(2);
    settings.Connection.MaxLineLength = 512;
    settings.Headers.MaxFields = 32;
    settings.Headers.MaxTotalBytes = 4096;
    return settings;
}

// A success needs a 2xx status line somewhere in what the server sent.
bool HoldsSuccessStatus(std::string_view response) {
    while (!response.empty()) {
        const std::size_t end = response.find('\n');
        std::string_view line = response.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const int status = StatusCodeOf(line);
        if (status >= 200 && status <= 299)
            return true;
        response = end == std::string_view::npos ? std::string_view() : response.substr(end + 1);
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static LoopbackPeer peer;
    if (size == 0)
        return 0;
    const std::string response(reinterpret_cast<const char*>(data) + 1,
                               std::min(size - 1, kMaxResponse));
    peer.Prepare(response,
                 (data[0] & 1) != 0 ? LoopbackPeer::Ending::Reset : LoopbackPeer::Ending::Close);
    static kit::FakeClock clock; // never moves, so a run depends on its input alone
    HttpClient client(clock, FuzzSettings());
    client.SetPort(peer.Port());
    bool succeeded = false;
    try {
        client.HeadRequest("http://127.0.0.1/");
        succeeded = true;
    } catch (const std::exception&) {
        // Every failure of the probe is an exception; what it says does not matter here.
    }
    client.CloseConnection();
    peer.WaitServed();
    if (succeeded && !HoldsSuccessStatus(response))
        fuzzing::PropertyFailed("a success without any 2xx status line");
    return 0;
}
