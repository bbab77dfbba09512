#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velnorix {

// An address as written, split into its pieces before it meets the parts kept from the
// previous probe.
struct AddressParts {
    bool HasScheme = false; // the address contained "://"
    std::string Protocol;
    std::string UserName; // cut from the authority; never sent
    std::string Password;
    std::string Host;
    std::string Port; // as written; empty when the address names none
    std::string Path;
    std::string Document;
    std::string Params;
};

// The URL of the current request, kept from one probe to the next.
struct UrlParts {
    std::string Protocol;
    std::string Host;
    std::int32_t Port = 0;
    std::string Path;
    std::string Document;
    std::string Params;
};

// Throws when the address holds a CR, LF or NUL: it would add lines to the request.
void RejectLineBreaks(std::string_view address);

AddressParts ReadAddress(std::string_view address);

// Throws when the user information holds an unescaped "/", "?", "#" or "\": such an address
// splits in the wrong place, and probing it could send the password as a host or a path. The
// message repeats nothing of the address.
void RejectUnsafeUserInformation(std::string_view address);

// The address as written, for showing and logging it, with the password of its user
// information replaced by "***". The password is taken to run up to the last "@" of the
// authority, so one holding "@" is hidden whole, not only the part before its first "@". User
// information that RejectUnsafeUserInformation refuses is hidden whole, user name and all.
std::string WithPasswordHidden(std::string_view address);

// The address with its whole user information replaced by "***", for exporting it.
std::string WithUserInformationHidden(std::string_view address);

// The kept path with a new one: an absolute path replaces it, a relative one is appended and
// its "." and ".." segments resolved.
std::string MergePath(std::string_view keptPath, std::string_view newPath);

// The address over the kept parts; the port is left as kept, for ChoosePort to decide.
UrlParts MergeAddress(const UrlParts& kept, const AddressParts& address);

// The port to connect to: the address's own, else the component's unless that is 0, 80 or
// 443, in which case the protocol's default (only http and https have one).
std::int32_t ChoosePort(std::string_view addressPort, std::string_view protocol,
                        std::int32_t componentPort);

bool IsHttps(std::string_view protocol);

// Path, document and parameters: what follows "HEAD ".
std::string RequestTarget(const UrlParts& url);
// The host, with ":port" unless the port is 80.
std::string HostHeaderValue(const UrlParts& url);

} // namespace velnorix
