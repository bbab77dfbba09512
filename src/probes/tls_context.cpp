#include "probes/tls_context.h"

#include "base/file_descriptor.h"
#include "probes/probe_errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <sys/stat.h>

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

std::string CannotLoad(const std::string& caFile, const std::string& reason) {
    return "Cannot load the CA file " + caFile + ": " + reason;
}

// Opened without blocking and read only when it is a regular file: a FIFO would hold open()
// until a writer came, and a device could feed the reader forever.
FileDescriptor OpenCaFile(const std::string& caFile) {
    FileDescriptor file(::open(caFile.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!file.IsValid() || ::fstat(file.Get(), &status) != 0)
        throw ProbeError(CannotLoad(caFile, std::strerror(errno)));
    if (!S_ISREG(status.st_mode))
        throw ProbeError(CannotLoad(caFile, "not a regular file"));
    return file;
}

// The certificates and CRLs of a PEM bundle, as SSL_CTX_load_verify_locations takes them, but
// read from the descriptor that was checked rather than from the path again.
void LoadCaFile(X509_STORE* store, const std::string& caFile) {
    const FileDescriptor file = OpenCaFile(caFile);
    BIO* bio = BIO_new_fd(file.Get(), BIO_NOCLOSE);
    auto* entries =
        bio == nullptr ? nullptr : PEM_X509_INFO_read_bio(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    int loaded = 0;
    for (int index = 0; index < sk_X509_INFO_num(entries); ++index) {
        const X509_INFO* entry = sk_X509_INFO_value(entries, index);
        if (entry->x509 != nullptr && X509_STORE_add_cert(store, entry->x509) == 1)
            ++loaded;
        if (entry->crl != nullptr && X509_STORE_add_crl(store, entry->crl) == 1)
            ++loaded;
    }
    sk_X509_INFO_pop_free(entries, X509_INFO_free);
    if (loaded == 0)
        throw ProbeError(CannotLoad(caFile, ERR_peek_error() != 0 ? TakeTlsErrorReason()
                                                                  : "no certificate or crl found"));
}

SslContextPtr BuildContext(const std::string& caFile) {
    ERR_clear_error();
    SslContextPtr context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    if (!context || SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION) != 1)
        throw ProbeError("TLS is not available: " + TakeTlsErrorReason());
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    // A system without a store is no reason to fail here: verification reports it per peer.
    SSL_CTX_set_default_verify_paths(context.get());
    ERR_clear_error();
    if (!caFile.empty())
        LoadCaFile(SSL_CTX_get_cert_store(context.get()), caFile);
    // Sessions are kept per target by the connections themselves.
    SSL_CTX_set_session_cache_mode(context.get(), SSL_SESS_CACHE_OFF);
    return context;
}

} // namespace

SslContextPtr ClientContext(const std::string& caFile) {
    static std::mutex mutex;
    static std::map<std::string, SslContextPtr> contexts;
    {
        const std::lock_guard lock(mutex);
        if (const auto found = contexts.find(caFile); found != contexts.end())
            return found->second;
    }
    // Built outside the lock, so a bundle that is slow to read holds up only the probes that
    // use it; when two build one at once, both take the one published first.
    SslContextPtr built = BuildContext(caFile);
    const std::lock_guard lock(mutex);
    return contexts.try_emplace(caFile, std::move(built)).first->second;
}

} // namespace velnorix
