#include "probes/tls_context.h"

#include "probes/probe_errors.h"

#include <map>
#include <mutex>
#include <openssl/err.h>
#include <openssl/ssl.h>

namespace velnorix {

std::string TakeTlsErrorReason() {
    const unsigned long error = ERR_get_error();
    ERR_clear_error();
    if (error == 0)
        return "unknown error";
    const char* reason = ERR_reason_error_string(error);
    if (reason != nullptr)
        return reason;
    char text[256] = {};
    ERR_error_string_n(error, text, sizeof text);
    return text;
}

namespace {

SslContextPtr BuildContext(const std::string& caFile) {
    ERR_clear_error();
    SslContextPtr context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    if (!context || SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION) != 1)
        throw ProbeError("TLS is not available: " + TakeTlsErrorReason());
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    // A system without a store is no reason to fail here: verification reports it per peer.
    SSL_CTX_set_default_verify_paths(context.get());
    ERR_clear_error();
    if (!caFile.empty() &&
        SSL_CTX_load_verify_locations(context.get(), caFile.c_str(), nullptr) != 1)
        throw ProbeError("Cannot load the CA file " + caFile + ": " + TakeTlsErrorReason());
    // Sessions are kept per target by the connections themselves.
    SSL_CTX_set_session_cache_mode(context.get(), SSL_SESS_CACHE_OFF);
    return context;
}

} // namespace

SslContextPtr ClientContext(const std::string& caFile) {
    static std::mutex mutex;
    static std::map<std::string, SslContextPtr> contexts;
    const std::lock_guard lock(mutex);
    SslContextPtr& context = contexts[caFile];
    if (!context)
        context = BuildContext(caFile);
    return context;
}

} // namespace velnorix
