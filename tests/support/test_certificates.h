#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct ssl_ctx_st;

// Certificates for TLS servers on 127.0.0.1, made with OpenSSL when first asked for: a test CA
// and leaves it signed, plus one that signed itself.
namespace velnorix::kit {

enum class TestCertificate {
    Valid,      // for 127.0.0.1 and localhost, a year long
    Expired,    // for 127.0.0.1 and localhost, ended yesterday
    OtherName,  // for other.example only
    SelfSigned, // for 127.0.0.1 and localhost, signed by its own key
    ShortLived, // for 127.0.0.1 and localhost, ends in kShortLivedDays days and an hour
};

inline constexpr std::int32_t kShortLivedDays = 10;

// A server context presenting the certificate; the same one for every call.
std::shared_ptr<ssl_ctx_st> ServerContext(TestCertificate certificate);
// When the certificate expires, as a Unix time.
std::int64_t ExpiryOf(TestCertificate certificate);
// A PEM file holding the test CA, for the client's CA bundle; it lives as long as the process.
const std::string& TestCaFile();

} // namespace velnorix::kit
