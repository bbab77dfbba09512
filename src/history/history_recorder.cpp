#include "history/history_recorder.h"

#include "history/history_key.h"

#include <sqlite3.h>
#include <utility>

namespace velnorix {

namespace {

// Cycles kept while the file cannot be written; beyond them the oldest is dropped, so a
// database that never comes back cannot take the memory.
constexpr std::size_t kMaxQueuedCycles = 100;
// How long the thread waits before it tries a file that refused a write again.
constexpr std::chrono::seconds kRetryPause{30};

bool IsBusy(const SQLite::Exception& error) {
    const int code = error.getErrorCode() & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

} // namespace

HistoryRecorder::HistoryRecorder(Clock& clock, std::string folder, HistoryMessage tell)
    : m_clock(clock), m_path(std::move(folder) + "/" + std::string(kHistoryFileName)),
      m_tell(std::move(tell)), m_thread([this] { Work(); }) {}

HistoryRecorder::~HistoryRecorder() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void HistoryRecorder::RunStarted(const RunModel& model) {
    // The figures from earlier runs are there to show before this run's first cycle ends.
    CycleStarted(model);
    CycleEnded(model);
}

void HistoryRecorder::CycleStarted(const RunModel& model) {
    // Taken from the model, so an edited configuration counts from the next cycle on.
    m_days = model.Config.HistoryDays;
    m_gathering.Rows.clear();
    m_keys.resize(static_cast<std::size_t>(model.TargetCount()));
}

void HistoryRecorder::ProbeRecorded(const RunModel& model, std::int32_t index,
                                    const ProbeOutcome& outcome) {
    if (m_days == 0)
        return;
    const TargetSettings& target = model.Target(index);
    HistoryRow row;
    row.Key = HistoryKeyOf(target);
    row.Type = target.Type;
    row.Name = target.ShownName();
    row.Time = m_clock.SecondsSinceEpoch();
    row.Failed = outcome.Failed;
    row.Ms = outcome.ElapsedMs;
    row.State = model.StatisticsOf(index).State;
    row.Reason = outcome.Reason;
    row.Echoes = outcome.Echoes;
    m_keys[static_cast<std::size_t>(index)] = row.Key;
    m_gathering.Rows.push_back(std::move(row));
}

void HistoryRecorder::CycleEnded(const RunModel& model) {
    if (m_days == 0)
        return;
    Cycle cycle = std::move(m_gathering);
    m_gathering = {};
    cycle.Days = m_days;
    cycle.Now = m_clock.SecondsSinceEpoch();
    // A target this run has not probed yet (the run's start) gets its key here.
    for (std::size_t i = 0; i < m_keys.size(); ++i)
        if (m_keys[i].empty())
            m_keys[i] = HistoryKeyOf(model.Target(static_cast<std::int32_t>(i)));
    cycle.Keys = m_keys;
    {
        const std::lock_guard lock(m_mutex);
        if (m_queue.size() == kMaxQueuedCycles) {
            m_queue.pop_front();
            ++m_droppedCycles;
        }
        m_queue.push_back(std::move(cycle));
    }
    m_changed.notify_all();
}

std::shared_ptr<const UptimeTable> HistoryRecorder::Uptimes() const {
    const std::lock_guard lock(m_mutex);
    return m_uptimes;
}

bool HistoryRecorder::WaitIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [this] { return m_queue.empty() && !m_writing; });
}

void HistoryRecorder::Work() {
    std::unique_lock lock(m_mutex);
    bool retrying = false;
    while (true) {
        if (retrying && !m_stopping)
            m_changed.wait_for(lock, kRetryPause, [this] { return m_stopping; });
        m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        Cycle cycle = std::move(m_queue.front());
        m_queue.pop_front();
        m_writing = true;
        const bool stopping = m_stopping;
        const std::int64_t dropped = std::exchange(m_droppedCycles, 0);
        lock.unlock();
        if (dropped != 0)
            Tell("History lost " + std::to_string(dropped) + " cycles while " + m_path +
                 " could not be written");
        const bool written = Write(cycle, true);
        if (written && !stopping) {
            Maintain(cycle);
            PublishUptimes(cycle);
        }
        lock.lock();
        m_writing = false;
        // Stopping, a cycle gets one more try, never a wait; once the file refuses, the rest
        // is given up too, so a busy file cannot hold the exit for a time-out per cycle.
        if (!written && !stopping)
            m_queue.push_front(std::move(cycle));
        if (!written && stopping && !m_queue.empty()) {
            const std::size_t left = m_queue.size();
            m_queue.clear();
            lock.unlock();
            Tell("History lost the last " + std::to_string(left + 1) + " cycles: " + m_path +
                 " could not be written at exit");
            lock.lock();
        }
        retrying = !written;
        m_changed.notify_all();
    }
}

bool HistoryRecorder::Write(const Cycle& cycle, bool mayStartAnew) {
    try {
        if (!m_db) {
            m_db = OpenHistoryDatabase(m_path, m_tell, cycle.Now);
            m_writer = std::make_unique<HistoryWriter>(*m_db);
        }
        if (!cycle.Rows.empty())
            m_writer->Append(cycle.Rows);
        m_lastTrouble.clear();
        return true;
    } catch (const SQLite::Exception& error) {
        m_writer.reset();
        m_db.reset();
        if (IsHistoryDamage(error) && mayStartAnew) {
            Tell("History database " + m_path + " is damaged (" + error.what() +
                 "); it was moved to " + SetAsideHistoryDatabase(m_path, cycle.Now) +
                 " and a new one started");
            return Write(cycle, false);
        }
        if (!IsBusy(error))
            Tell("History cannot be written to " + m_path + ": " + error.what());
    } catch (const std::exception& error) {
        m_writer.reset();
        m_db.reset();
        Tell("History cannot be written to " + m_path + ": " + error.what());
    }
    return false;
}

void HistoryRecorder::Maintain(const Cycle& cycle) {
    const std::int64_t hour = cycle.Now / kSecondsPerHour;
    if (hour == m_maintainedHour)
        return;
    try {
        m_writer->FinishHours(cycle.Now);
        m_writer->Retain(cycle.Now, cycle.Days);
        m_maintainedHour = hour;
    } catch (const SQLite::Exception& error) {
        // Tried again with the next cycle; the rows themselves are safe.
        if (!IsBusy(error))
            Tell("History could not be tidied in " + m_path + ": " + error.what());
    }
}

void HistoryRecorder::PublishUptimes(const Cycle& cycle) {
    if (cycle.Keys == m_uptimeKeys && cycle.Now - m_uptimesReadAt < kUptimeRefresh.count())
        return;
    try {
        const auto byKey = velnorix::ReadUptimes(*m_db, cycle.Now);
        auto table = std::make_shared<UptimeTable>();
        table->ByPosition.reserve(cycle.Keys.size());
        for (const std::string& key : cycle.Keys) {
            const auto found = byKey.find(key);
            table->ByPosition.push_back(found == byKey.end() ? UptimeCounts{} : found->second);
        }
        m_uptimeKeys = cycle.Keys;
        m_uptimesReadAt = cycle.Now;
        const std::lock_guard lock(m_mutex);
        m_uptimes = std::move(table);
    } catch (const SQLite::Exception& error) {
        if (!IsBusy(error))
            Tell("History could not be read from " + m_path + ": " + error.what());
    }
}

void HistoryRecorder::Tell(const std::string& trouble) {
    // Told once, not every cycle the trouble lasts.
    if (trouble == m_lastTrouble || !m_tell)
        return;
    m_lastTrouble = trouble;
    m_tell(trouble);
}

} // namespace velnorix
