#pragma once

#include "engine/probe_set.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>

// Probes that pass every call on to the real ones and count, for chosen targets, how many wait
// on the network at the same time: a proof that probes overlap that does not rest on timing.
namespace velnorix::kit {

// How many probes of the chosen targets (pings to `hosts`, web and mail probes to `port`) wait at
// the same time, and the most that ever did. Safe to use from any thread.
class WaitCounter final {
public:
    WaitCounter(std::set<std::string> hosts, std::int32_t port)
        : m_hosts(std::move(hosts)), m_port(port) {}

    [[nodiscard]] bool CountsHost(std::string_view host) const {
        return m_hosts.contains(std::string(host));
    }
    [[nodiscard]] bool CountsPort(std::int32_t port) const { return port == m_port; }
    void Begin() {
        const std::lock_guard lock(m_mutex);
        m_peak = std::max(m_peak, ++m_waiting);
    }
    void End() {
        const std::lock_guard lock(m_mutex);
        --m_waiting;
    }
    [[nodiscard]] int Peak() {
        const std::lock_guard lock(m_mutex);
        return m_peak;
    }

private:
    std::set<std::string> m_hosts;
    std::int32_t m_port;
    std::mutex m_mutex;
    int m_waiting = 0;
    int m_peak = 0;
};

// The makers' probes, each wrapped so that its blocking call counts in `counter` when its target
// is one of the counter's. The counter must outlive every probe made.
ProbeMakers CountingWaits(const ProbeMakers& real, WaitCounter& counter);

} // namespace velnorix::kit
