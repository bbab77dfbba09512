#include "support/network_namespace.h"

#include <atomic>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <fstream>
#include <sched.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace velnorix::kit {

namespace {

bool RunCommand(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

std::unique_ptr<NetworkNamespace> NetworkNamespace::Create(std::string& whyNot) {
    static std::atomic<int> counter{0};
    std::string name =
        "velnorix-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    if (!RunCommand("ip netns add " + name)) {
        whyNot = "network namespaces are not permitted here (ip netns add failed)";
        return nullptr;
    }
    std::unique_ptr<NetworkNamespace> created(new NetworkNamespace(std::move(name)));
    if (!created->Ip("link set lo up")) {
        whyNot = "cannot bring up the namespace's loopback interface";
        return nullptr;
    }
    return created;
}

NetworkNamespace::~NetworkNamespace() {
    RunCommand("ip netns del " + m_name);
}

bool NetworkNamespace::Ip(const std::string& arguments) const {
    return RunCommand("ip -n " + m_name + " " + arguments);
}

bool NetworkNamespace::AddSilentHosts(const std::vector<std::string>& hosts) const {
    bool added = Ip("link add vx0 type veth peer name vx1") &&
                 Ip("addr add 198.51.100.1/24 dev vx0") && Ip("link set vx0 up") &&
                 Ip("link set vx1 up");
    for (const std::string& host : hosts)
        added =
            added && Ip("neigh add " + host + " lladdr 02:00:00:00:00:02 dev vx0 nud permanent");
    return added;
}

bool NetworkNamespace::Exec(const std::string& command) const {
    return RunCommand("ip netns exec " + m_name + " " + command);
}

void NetworkNamespace::SetSysctl(const std::string& path, const std::string& value) const {
    // /proc/sys/net shows the namespace of the thread that opens it.
    Run([&] {
        std::ofstream file("/proc/sys/" + path);
        file << value;
        file.close();
        if (!file)
            throw std::runtime_error("cannot set " + path);
    });
}

void NetworkNamespace::Run(const std::function<void()>& work) const {
    std::exception_ptr failure;
    std::thread inside([&] {
        try {
            const int fd = ::open(("/run/netns/" + m_name).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                throw std::runtime_error("cannot open the namespace " + m_name);
            const int entered = ::setns(fd, CLONE_NEWNET);
            ::close(fd);
            if (entered != 0)
                throw std::runtime_error("cannot enter the namespace " + m_name);
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    inside.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace velnorix::kit
