#pragma once

#include "base/clock.h"
#include "engine/run_observer.h"
#include "history/history_database.h"
#include "history/history_reader.h"
#include "history/history_writer.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velnorix {

// The history's uptime figures for the targets of a cycle, by position; a target without a
// probe in the last 30 days has zero counts.
struct UptimeTable {
    std::vector<UptimeCounts> ByPosition;
};

// Keeps every probe of the run in the history database, for as many days as the configuration's
// HistoryDays says (0: none). The cycle only gathers its rows; a
// thread of the recorder's own writes each cycle as one transaction, finishes hours, applies
// retention and reads the uptime figures, so a slow or busy disk never holds up the probes.
class HistoryRecorder final : public RunObserver {
public:
    // How often the uptime figures are read again while cycles are being written.
    static constexpr std::chrono::seconds kUptimeRefresh{60};

    // Writes `folder`/velnorix-history.sqlite3; `tell` hears of a database set aside or one
    // that cannot be written, once for each new trouble, on the recorder's thread.
    HistoryRecorder(Clock& clock, std::string folder, HistoryMessage tell);
    // Writes what it was given, each cycle tried once more at most, then stops.
    ~HistoryRecorder() override;
    HistoryRecorder(const HistoryRecorder&) = delete;
    HistoryRecorder& operator=(const HistoryRecorder&) = delete;

    void RunStarted(const RunModel& model) override;
    void CycleStarted(const RunModel& model) override;
    void ProbeRecorded(const RunModel& model, std::int32_t index,
                       const ProbeOutcome& outcome) override;
    void CycleEnded(const RunModel& model) override;

    // The latest uptime figures; an empty table before the first read.
    [[nodiscard]] std::shared_ptr<const UptimeTable> Uptimes() const;
    // Waits up to `limit` for every cycle handed over to be written and the figures read.
    bool WaitIdle(std::chrono::milliseconds limit);
    [[nodiscard]] std::string DatabasePath() const { return m_path; }

private:
    struct Cycle {
        std::vector<HistoryRow> Rows;
        std::vector<std::string> Keys; // of every target in force, by position
        std::int32_t Days = 0;
        std::int64_t Now = 0; // the thread reads no clock: a test's clock is the engine's alone
    };

    void Work();
    // Writes the cycle's rows; false when they must wait for another try. A damaged file is
    // set aside and the rows go to a new one, when `mayStartAnew`.
    bool Write(const Cycle& cycle, bool mayStartAnew);
    // Once an hour: percentiles of finished hours, then retention.
    void Maintain(const Cycle& cycle);
    void PublishUptimes(const Cycle& cycle);
    void Tell(const std::string& trouble);

    Clock& m_clock;
    std::string m_path;
    HistoryMessage m_tell;

    // The engine's side: the cycle being gathered.
    std::int32_t m_days = 0;
    Cycle m_gathering;
    // Each position's key as its probe worked it out, so a cycle's end need not do it again.
    std::vector<std::string> m_keys;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Cycle> m_queue;
    bool m_writing = false;
    bool m_stopping = false;
    std::int64_t m_droppedCycles = 0; // dropped from a full queue, not yet told
    std::shared_ptr<const UptimeTable> m_uptimes = std::make_shared<const UptimeTable>();

    // The thread's side.
    std::unique_ptr<SQLite::Database> m_db;
    std::unique_ptr<HistoryWriter> m_writer;
    std::int64_t m_maintainedHour = -1;
    std::int64_t m_uptimesReadAt = 0;
    std::vector<std::string> m_uptimeKeys;
    std::string m_lastTrouble;

    std::thread m_thread; // last: starts once everything above is ready
};

} // namespace velnorix
