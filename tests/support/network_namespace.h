#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velnorix::kit {

// A network namespace a test creates for itself (with its loopback interface up) and removes
// when done, for hosts that stay silent or sockets that need settings of their own. Nothing
// sent inside it leaves it.
class NetworkNamespace final {
public:
    // Nothing, with the reason in `whyNot`, where the system does not allow namespaces.
    static std::unique_ptr<NetworkNamespace> Create(std::string& whyNot);
    ~NetworkNamespace();
    NetworkNamespace(const NetworkNamespace&) = delete;
    NetworkNamespace& operator=(const NetworkNamespace&) = delete;

    // Runs "ip -n <namespace> <arguments>"; false when it failed.
    bool Ip(const std::string& arguments) const;
    // Runs a shell command inside the namespace ("ip netns exec"); false when it failed.
    bool Exec(const std::string& command) const;
    // Puts `hosts` (of 198.51.100.0/24, .1 excluded) behind a veth link whose far end has no
    // address; fixed neighbour entries send what is meant for them across at once, where it is
    // dropped: never an answer, not even an unreachable. False when a step failed.
    bool AddSilentHosts(const std::vector<std::string>& hosts) const;
    // Writes one of the namespace's own sysctls, for example "net/ipv4/ping_group_range".
    void SetSysctl(const std::string& path, const std::string& value) const;
    // Runs `work` on a thread that has entered the namespace and waits for it; an exception
    // thrown by `work` is rethrown here.
    void Run(const std::function<void()>& work) const;

private:
    explicit NetworkNamespace(std::string name) : m_name(std::move(name)) {}
    std::string m_name;
};

} // namespace velnorix::kit
