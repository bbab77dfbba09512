#include "engine/probe_pool.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace velnorix {
namespace {

std::vector<std::size_t> StartOrderOf(const std::vector<ProbeJob>& jobs) {
    std::vector<std::size_t> order(jobs.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&jobs](std::size_t a, std::size_t b) {
        return jobs[a].ExpectedWaitMs > jobs[b].ExpectedWaitMs;
    });
    return order;
}

// A worker is a thread of its own already: its probe calls run right where it is.
class RunOnThisThread final : public BlockingRunner {
public:
    void RunBlocking(const std::function<void()>& work) override { work(); }
};

} // namespace

ProbePool::ProbePool(std::int32_t workers, const ProbeMakers& makers, Clock& clock)
    : m_clock(clock) {
    m_probes.reserve(static_cast<std::size_t>(workers));
    for (std::int32_t i = 0; i < workers; ++i)
        m_probes.push_back(makers.Worker());
    m_threads.reserve(m_probes.size());
    try {
        for (const std::unique_ptr<ProbeSet>& probes : m_probes)
            m_threads.emplace_back([this, set = probes.get()] { Work(*set); });
    } catch (...) {
        // Out of threads: the ones already started must end before the pool is gone.
        StopWorkers();
        throw;
    }
}

ProbePool::~ProbePool() {
    StopWorkers();
}

void ProbePool::StopWorkers() {
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_jobsWaiting.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void ProbePool::Start(const std::vector<ProbeJob>& jobs, const TlsTrust& trust, CutQuery cut) {
    DropWaiting();
    WaitUntilIdle();
    {
        const std::lock_guard lock(m_mutex);
        m_slots.assign(jobs.size(), Slot{});
        m_jobs = jobs;
        m_startOrder = StartOrderOf(jobs);
        m_trust = trust;
        m_cut = std::move(cut);
        m_next = 0;
    }
    m_jobsWaiting.notify_all();
}

bool ProbePool::Finished(std::size_t index) {
    const std::lock_guard lock(m_mutex);
    return m_slots.at(index).Finished;
}

std::optional<FinishedProbe> ProbePool::Take(std::size_t index) {
    std::unique_lock lock(m_mutex);
    m_jobFinished.wait(lock, [&] { return m_slots.at(index).Finished; });
    Slot& slot = m_slots[index];
    if (slot.Escaped)
        std::rethrow_exception(std::exchange(slot.Escaped, nullptr));
    return std::move(slot.Result);
}

void ProbePool::DropWaiting() {
    {
        const std::lock_guard lock(m_mutex);
        DropWaitingLocked();
    }
    m_jobFinished.notify_all();
}

void ProbePool::DropWaitingLocked() {
    for (; m_next < m_startOrder.size(); ++m_next)
        m_slots[m_startOrder[m_next]].Finished = true;
}

void ProbePool::WaitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_jobFinished.wait(lock, [&] { return m_running == 0; });
}

void ProbePool::Work(ProbeSet& probes) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_jobsWaiting.wait(lock, [&] { return m_closing || m_next < m_startOrder.size(); });
        if (m_closing)
            return;
        // The cycle's own check runs only between results, possibly while it waits a whole
        // probe's time-out for one; the cut must stop the next probe from starting meanwhile.
        if (m_cut && m_cut()) {
            DropWaitingLocked();
            m_jobFinished.notify_all();
            continue;
        }
        const std::size_t index = m_startOrder[m_next++];
        ++m_running;
        // The job list is replaced only while no job runs.
        const ProbeJob& job = m_jobs[index];
        lock.unlock();
        Slot finished = Run(job, probes);
        lock.lock();
        m_slots[index] = std::move(finished);
        --m_running;
        m_jobFinished.notify_all();
    }
}

ProbePool::Slot ProbePool::Run(const ProbeJob& job, ProbeSet& probes) {
    Slot slot;
    slot.Finished = true;
    try {
        const ProbeComponents own = probes.Components();
        const ProbeComponents components{own.Echo, job.Web != nullptr ? *job.Web : own.Web,
                                         own.Pop3, own.Smtp,
                                         own.Tcp,  own.Dns};
        RunOnThisThread here;
        slot.Result = ProbeWithRetries(job, components, m_clock, here, m_trust,
                                       [this] { return m_cut && m_cut(); });
    } catch (...) {
        slot.Escaped = std::current_exception();
    }
    return slot;
}

} // namespace velnorix
