#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct ssl_ctx_st;

namespace velnorix {

// What a TLS probe trusts and how close to its end a certificate may come.
struct TlsTrust {
    // A PEM bundle trusted besides the system's store; empty for the system's store alone.
    std::string CAFile;
    // A leaf certificate that expires in fewer days than this fails the probe; 0 is off.
    std::int32_t WarnDays = 0;

    friend bool operator==(const TlsTrust&, const TlsTrust&) = default;
};

using SslContextPtr = std::shared_ptr<ssl_ctx_st>;

// The process's client context for a CA bundle, built once on first use: TLS 1.2 or newer,
// the peer verified against the system's store (SSL_CERT_FILE and SSL_CERT_DIR honoured)
// plus the bundle. Throws ProbeError when TLS cannot be set up or the bundle not loaded; a
// bundle that is no regular file fails with "Cannot load the CA file <path>: not a regular
// file".
SslContextPtr ClientContext(const std::string& caFile);

// The reason of the oldest error OpenSSL queued on this thread, which it then clears; a
// generic text when there is none. OpenSSL's reasons are fixed texts: nothing we sent shows.
std::string TakeTlsErrorReason();

} // namespace velnorix
