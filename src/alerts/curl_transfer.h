#pragma once

#include "alerts/alert_channel.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

// libcurl under the mail and web channels, with the bounds every transfer keeps.
namespace velnorix {

struct TransferBounds {
    long ConnectTimeoutMs = 10'000;
    long TimeoutMs = 30'000;
    // A receiver's answer is only looked at for its status; more than this is refused.
    std::size_t MaxResponseBytes = std::size_t{64} * 1024;
};

// Where transfers trust certificates: the system's store, plus the probes' PEM bundle when set.
struct TransferTrust {
    std::string CAFile;
};

// One easy handle with the bounds, the trust and the protocols allowed already set. Not
// thread-safe; Abandon may be called from any thread.
class CurlTransfer final {
public:
    // `protocols` as CURLOPT_PROTOCOLS_STR spells them: "http,https", "smtp,smtps".
    CurlTransfer(const TransferTrust& trust, const TransferBounds& bounds,
                 const std::atomic<bool>& abandoned, const char* protocols);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // The handle, for the options of one kind of transfer.
    [[nodiscard]] void* Handle() const { return m_handle; }
    // Runs the transfer; a failure's reason is libcurl's text for its code, which names no URL
    // or credential.
    DeliveryResult Perform();
    // The HTTP status of the last transfer.
    [[nodiscard]] long ResponseCode() const;

private:
    void* m_handle = nullptr;
    const std::atomic<bool>& m_abandoned;
    std::size_t m_responseBytes = 0;
    std::size_t m_maxResponseBytes = 0;
    friend struct CurlCallbacks;
};

// POSTs `body` as JSON to `url`; delivered on a 2xx status.
DeliveryResult PostJson(const std::string& url, const std::string& body, const TransferTrust& trust,
                        const TransferBounds& bounds, const std::atomic<bool>& abandoned);

} // namespace velnorix
