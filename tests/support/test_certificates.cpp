#include "support/test_certificates.h"

#include <cstdio>
#include <ctime>
#include <map>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <unistd.h>

namespace velnorix::kit {
namespace {

using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertificatePtr = std::unique_ptr<X509, decltype(&X509_free)>;

constexpr long kDay = 86'400;
constexpr const char* kLoopbackNames = "IP:127.0.0.1,DNS:localhost";

void Require(bool done, const char* what) {
    if (!done)
        throw std::runtime_error(std::string("Making the test certificates failed at ") + what);
}

KeyPtr NewKey() {
    KeyPtr key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    Require(key != nullptr, "a key");
    return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Require(extension != nullptr && X509_add_ext(certificate, extension, -1) == 1, "an extension");
    X509_EXTENSION_free(extension);
}

struct Validity {
    long FromSeconds; // from now; negative for the past
    long ToSeconds;
};

// A certificate for `key` signed by `issuerKey`; `issuer` null makes it sign itself. `names`
// null makes it a CA.
CertificatePtr NewCertificate(EVP_PKEY* key, const char* commonName, long serial, Validity validity,
                              const char* names, X509* issuer, EVP_PKEY* issuerKey) {
    CertificatePtr certificate(X509_new(), X509_free);
    X509* c = certificate.get();
    Require(c != nullptr && X509_set_version(c, 2) == 1 &&
                ASN1_INTEGER_set(X509_get_serialNumber(c), serial) == 1 &&
                X509_time_adj_ex(X509_getm_notBefore(c), 0, validity.FromSeconds, nullptr) &&
                X509_time_adj_ex(X509_getm_notAfter(c), 0, validity.ToSeconds, nullptr) &&
                X509_set_pubkey(c, key) == 1,
            "the certificate fields");
    X509_NAME* subject = X509_get_subject_name(c);
    Require(X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>(commonName), -1, -1,
                                       0) == 1 &&
                X509_set_issuer_name(c, X509_get_subject_name(issuer ? issuer : c)) == 1,
            "the names");
    if (names == nullptr) {
        AddExtension(c, c, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(c, c, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(c, issuer ? issuer : c, NID_subject_alt_name, names);
    }
    Require(X509_sign(c, issuerKey, EVP_sha256()) > 0, "the signature");
    return certificate;
}

std::int64_t NotAfter(const X509* certificate) {
    std::tm end{};
    Require(ASN1_TIME_to_tm(X509_get0_notAfter(certificate), &end) == 1, "the expiry");
    return ::timegm(&end);
}

class TestPki final {
public:
    TestPki() : m_caKey(NewKey()), m_ca(nullptr, X509_free) {
        m_ca = NewCertificate(m_caKey.get(), "Velnorix Test CA", 1, {-kDay, 3650 * kDay}, nullptr,
                              nullptr, m_caKey.get());
        Add(TestCertificate::Valid, "127.0.0.1", {-kDay, 365 * kDay}, kLoopbackNames, true);
        Add(TestCertificate::Expired, "127.0.0.1", {-30 * kDay, -kDay}, kLoopbackNames, true);
        Add(TestCertificate::OtherName, "other.example", {-kDay, 365 * kDay}, "DNS:other.example",
            true);
        Add(TestCertificate::SelfSigned, "127.0.0.1", {-kDay, 365 * kDay}, kLoopbackNames, false);
        Add(TestCertificate::ShortLived, "127.0.0.1", {-kDay, kShortLivedDays * kDay + 3600},
            kLoopbackNames, true);
        WriteCaFile();
    }
    ~TestPki() { ::unlink(m_caFile.c_str()); }
    TestPki(const TestPki&) = delete;
    TestPki& operator=(const TestPki&) = delete;

    [[nodiscard]] const std::shared_ptr<ssl_ctx_st>& Context(TestCertificate which) const {
        return m_contexts.at(which);
    }
    [[nodiscard]] std::int64_t Expiry(TestCertificate which) const { return m_expiries.at(which); }
    [[nodiscard]] const std::string& CaFile() const { return m_caFile; }

private:
    void Add(TestCertificate which, const char* name, Validity validity, const char* names,
             bool signedByCa) {
        const KeyPtr key = NewKey();
        const CertificatePtr leaf = NewCertificate(
            key.get(), name, static_cast<long>(m_contexts.size()) + 2, validity, names,
            signedByCa ? m_ca.get() : nullptr, signedByCa ? m_caKey.get() : key.get());
        std::shared_ptr<ssl_ctx_st> context(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
        // One set of ticket keys for all, as a server keeps its own when it renews its certificate.
        static unsigned char ticketKeys[80] = {'V'};
        Require(context && SSL_CTX_use_certificate(context.get(), leaf.get()) == 1 &&
                    SSL_CTX_use_PrivateKey(context.get(), key.get()) == 1 &&
                    SSL_CTX_ctrl(context.get(), SSL_CTRL_SET_TLSEXT_TICKET_KEYS, sizeof ticketKeys,
                                 ticketKeys) == 1,
                "a server context");
        m_contexts.emplace(which, std::move(context));
        m_expiries.emplace(which, NotAfter(leaf.get()));
    }

    void WriteCaFile() {
        char path[] = "/tmp/velnorix-test-ca-XXXXXX";
        const int fd = ::mkstemp(path);
        Require(fd >= 0, "the CA file");
        FILE* file = ::fdopen(fd, "w");
        Require(file != nullptr && PEM_write_X509(file, m_ca.get()) == 1, "the CA file");
        std::fclose(file);
        m_caFile = path;
    }

    KeyPtr m_caKey;
    CertificatePtr m_ca;
    std::map<TestCertificate, std::shared_ptr<ssl_ctx_st>> m_contexts;
    std::map<TestCertificate, std::int64_t> m_expiries;
    std::string m_caFile;
};

const TestPki& Pki() {
    static const TestPki pki;
    return pki;
}

} // namespace

std::shared_ptr<ssl_ctx_st> ServerContext(TestCertificate certificate) {
    return Pki().Context(certificate);
}

std::int64_t ExpiryOf(TestCertificate certificate) {
    return Pki().Expiry(certificate);
}

const std::string& TestCaFile() {
    return Pki().CaFile();
}

} // namespace velnorix::kit
