#pragma once

#include "base/date_time.h"
#include "engine/probe_set.h"
#include "engine/run_model.h"
#include "engine/target_probe.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace velnorix {

// A fixed set of worker threads, each with its own probe components, that run a cycle's probes
// at most one per worker at a time. Workers take the jobs expected to wait longest first, then
// the rest in the order given; the results are collected by their place in that order, so
// the caller can record them in target order while later probes still run. Workers share only the
// clock, the trust settings they read and what their makers chose to share (the echo probes'
// sequence numbers).
class ProbePool final {
public:
    ProbePool(std::int32_t workers, const ProbeMakers& makers, Clock& clock);
    // Drops the jobs not yet taken and waits for the running ones, each within its own bounds.
    ~ProbePool();
    ProbePool(const ProbePool&) = delete;
    ProbePool& operator=(const ProbePool&) = delete;

    [[nodiscard]] std::int32_t Workers() const {
        return static_cast<std::int32_t>(m_threads.size());
    }

    // Asked by a worker before it takes a job, on the worker's thread: true drops every job
    // not yet taken. It must be safe to call from any thread.
    using CutQuery = std::function<bool()>;

    // Hands out the next cycle's jobs. What the previous call left waiting is dropped and its
    // running probes are waited for first, so no worker reads a job list being replaced.
    void Start(const std::vector<ProbeJob>& jobs, const TlsTrust& trust, CutQuery cut = {});
    // Whether job `index` has finished or was dropped.
    [[nodiscard]] bool Finished(std::size_t index);
    // Waits for job `index`: its result, or nothing when it was dropped before a worker took it.
    // What escaped the probe is thrown here.
    std::optional<FinishedProbe> Take(std::size_t index);
    // Jobs no worker has taken yet are dropped; the running ones go on.
    void DropWaiting();
    // Waits until no job runs.
    void WaitUntilIdle();

private:
    struct Slot {
        bool Finished = false;
        std::optional<FinishedProbe> Result;
        std::exception_ptr Escaped;
    };

    void StopWorkers();
    // With the lock held.
    void DropWaitingLocked();
    void Work(ProbeSet& probes);
    Slot Run(const ProbeJob& job, ProbeSet& probes);

    Clock& m_clock;
    std::vector<std::unique_ptr<ProbeSet>> m_probes;
    std::mutex m_mutex;
    std::condition_variable m_jobsWaiting;
    std::condition_variable m_jobFinished;
    std::vector<ProbeJob> m_jobs;
    std::vector<Slot> m_slots;
    std::vector<std::size_t> m_startOrder; // indices into m_jobs, in the order workers take them
    TlsTrust m_trust;
    CutQuery m_cut;
    std::size_t m_next = 0; // the first place in m_startOrder no worker has taken
    std::int32_t m_running = 0;
    bool m_closing = false;
    // Last: the workers start once everything they use exists.
    std::vector<std::thread> m_threads;
};

} // namespace velnorix
