#include "alerts/curl_transfer.h"

#include <curl/curl.h>
#include <mutex>
#include <stdexcept>

namespace velnorix {

struct CurlCallbacks {
    static std::size_t Discard(char* /*data*/, std::size_t size, std::size_t count, void* user) {
        auto* transfer = static_cast<CurlTransfer*>(user);
        transfer->m_responseBytes += size * count;
        // Returning less than given ends the transfer with CURLE_WRITE_ERROR.
        return transfer->m_responseBytes > transfer->m_maxResponseBytes ? 0 : size * count;
    }
    static int Progress(void* user, curl_off_t /*downTotal*/, curl_off_t /*downNow*/,
                        curl_off_t /*upTotal*/, curl_off_t /*upNow*/) {
        return static_cast<CurlTransfer*>(user)->m_abandoned.load() ? 1 : 0;
    }
};

namespace {

CURL* NewHandle() {
    // Global set-up is not thread-safe on every platform; once is enough.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL* handle = curl_easy_init();
    if (handle == nullptr)
        throw std::runtime_error("libcurl could not start a transfer");
    return handle;
}

CURL* AsCurl(void* handle) {
    return static_cast<CURL*>(handle);
}

} // namespace

CurlTransfer::CurlTransfer(const TransferTrust& trust, const TransferBounds& bounds,
                           const std::atomic<bool>& abandoned, const char* protocols)
    : m_handle(NewHandle()), m_abandoned(abandoned), m_maxResponseBytes(bounds.MaxResponseBytes) {
    CURL* curl = AsCurl(m_handle);
    // Signals are not a worker thread's to take; libcurl's resolver time-out would use them.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, bounds.ConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, bounds.TimeoutMs);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, protocols);
    // A receiver must not send the alert somewhere else.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CurlCallbacks::Discard);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CurlCallbacks::Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!trust.CAFile.empty()) {
        // The bundle adds to the system's store, as it does for the probes.
        curl_easy_setopt(curl, CURLOPT_CAINFO, trust.CAFile.c_str());
        curl_easy_setopt(curl, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
}

CurlTransfer::~CurlTransfer() {
    curl_easy_cleanup(AsCurl(m_handle));
}

DeliveryResult CurlTransfer::Perform() {
    m_responseBytes = 0;
    const CURLcode code = curl_easy_perform(AsCurl(m_handle));
    if (code == CURLE_OK)
        return DeliveryResult::Success();
    if (code == CURLE_WRITE_ERROR && m_responseBytes > m_maxResponseBytes)
        return DeliveryResult::Failure("the answer was too long");
    if (code == CURLE_ABORTED_BY_CALLBACK)
        return DeliveryResult::Failure("abandoned at stop");
    return DeliveryResult::Failure(curl_easy_strerror(code));
}

long CurlTransfer::ResponseCode() const {
    long status = 0;
    curl_easy_getinfo(AsCurl(m_handle), CURLINFO_RESPONSE_CODE, &status);
    return status;
}

DeliveryResult PostJson(const std::string& url, const std::string& body, const TransferTrust& trust,
                        const TransferBounds& bounds, const std::atomic<bool>& abandoned) {
    CurlTransfer transfer(trust, bounds, abandoned, "http,https");
    CURL* curl = AsCurl(transfer.Handle());
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
        curl_slist_append(curl_slist_append(nullptr, "Content-Type: application/json"),
                          // No wait for a "100 Continue" that a small receiver never sends.
                          "Expect:"),
        &curl_slist_free_all);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    DeliveryResult result = transfer.Perform();
    if (!result.Delivered)
        return result;
    const long status = transfer.ResponseCode();
    if (status < 200 || status > 299)
        return DeliveryResult::Failure("the receiver answered HTTP " + std::to_string(status));
    return result;
}

} // namespace velnorix
