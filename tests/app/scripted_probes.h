#pragma once

#include "app/main_form.h"
#include "engine/probe_set.h"
#include "probes/probe_interfaces.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace velnorix::kit {

// Probe components for the window's tests: instant, thread-safe, failing for the addresses
// listed as down, and able to run a hook while a probe "waits" (on the worker thread).
class ScriptedProbes final {
public:
    ScriptedProbes();
    ~ScriptedProbes();
    ScriptedProbes(const ScriptedProbes&) = delete;
    ScriptedProbes& operator=(const ScriptedProbes&) = delete;

    [[nodiscard]] ProbeComponents Components();
    // Makers of components for cycles that run several probes at once, all playing this script.
    [[nodiscard]] ProbeMakers Makers();
    void SetDown(const std::string& address);
    // What a probe of an address that is down throws; "Connection refused" until set.
    void SetFailureText(std::string text);
    // Exactly these addresses are down from now on.
    void SetDownOnly(std::set<std::string> addresses);
    // Runs inside every probe call, on the thread that makes the call.
    void DuringProbe(std::function<void()> hook);
    [[nodiscard]] int Calls() const { return m_calls; }
    // The addresses probed, in order.
    [[nodiscard]] std::vector<std::string> Probed() const;

    // Plays one call for `address`; throws when the address is down.
    void Play(const std::string& address);
    [[nodiscard]] bool IsDown(const std::string& address) const;

private:
    class Echo;
    class Head;
    class Dialogue;
    class Port;
    class Dns;
    class WorkerSet;

    mutable std::mutex m_mutex;
    std::set<std::string> m_down;
    std::string m_failureText = "Connection refused";
    std::function<void()> m_hook;
    std::vector<std::string> m_probed;
    std::atomic<int> m_calls{0};
    std::unique_ptr<Echo> m_echo;
    std::unique_ptr<Head> m_head;
    std::unique_ptr<Dialogue> m_pop3;
    std::unique_ptr<Dialogue> m_smtp;
    std::unique_ptr<Port> m_tcp;
    std::unique_ptr<Dns> m_dns;
};

// A main window's setup over `probes`, one at a time and several at once, asking `prompts`,
// with `arguments` on its command line and its files in `folder`.
MainFormSetup WindowSetup(ScriptedProbes& probes, UserPrompts& prompts, const std::string& folder,
                          std::vector<std::string> arguments = {});

// A configuration of ping targets at the given addresses, tested every `seconds`.
std::string Configuration(const std::vector<std::string>& addresses, int seconds = 30,
                          bool deleteLogs = false);

} // namespace velnorix::kit
