#pragma once

#include "base/clock.h"
#include "base/date_time.h"
#include "engine/gap_buffer.h"
#include "engine/host.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Scripted stand-ins for what the program around the engine provides: the display, the status
// bar, the timers, the clock and the host services. They record what the engine did so tests can
// compare it, and refuse what the real widgets would not accept.
namespace velnorix::kit {

// What a fake keeps: the history of what it was given, for a test to compare, or only what it
// shows now, so a long benchmark's memory stays the engine's own.
enum class Keep { History, ShownOnly };

class FakeDisplay final : public DisplayLines {
public:
    explicit FakeDisplay(Keep keep = Keep::History) : m_keep(keep == Keep::History) {}
    [[nodiscard]] int Count() const override;
    [[nodiscard]] std::string Line(int index) const override;
    void Add(std::string_view line) override;
    // An index outside 0..Count() throws std::out_of_range, as a fault of the caller.
    void Insert(int index, std::string_view line) override;
    void InsertResult(int index, std::string_view line, std::string_view reason) override;
    void Delete(int index) override;
    void Clear() override;
    void BeginUpdate() override;
    // Throws std::logic_error without a matching BeginUpdate.
    void EndUpdate() override;
    [[nodiscard]] int VisibleLineCount() const override { return m_visibleLines; }

    // The default display shows 25 lines.
    void SetVisibleLines(int lines) { m_visibleLines = lines; }
    // A copy of the lines shown now.
    [[nodiscard]] std::vector<std::string> Lines() const;
    // The reason given with every result line, in the order the lines came.
    [[nodiscard]] const std::vector<std::string>& ResultReasons() const { return m_reasons; }
    [[nodiscard]] bool InUpdate() const { return m_updateDepth > 0; }
    // Outermost batched updates completed, and line changes made outside any of them.
    [[nodiscard]] int UpdatesEnded() const { return m_updatesEnded; }
    [[nodiscard]] int ChangesOutsideUpdate() const { return m_changesOutsideUpdate; }
    void ResetCounters();

private:
    void NoteChange();

    bool m_keep;
    GapBuffer<std::string> m_lines;
    std::vector<std::string> m_reasons;
    int m_visibleLines = 25;
    int m_updateDepth = 0;
    int m_updatesEnded = 0;
    int m_changesOutsideUpdate = 0;
};

class FakeStatusLine final : public StatusLine {
public:
    explicit FakeStatusLine(Keep keep = Keep::History) : m_keep(keep == Keep::History) {}
    [[nodiscard]] std::string Text() const override { return m_text; }
    void SetText(std::string_view text) override;
    void ShowFailureReason(std::string_view reason) override;
    // Every text set, oldest first.
    [[nodiscard]] const std::vector<std::string>& History() const { return m_history; }
    // Every failure reason shown, oldest first.
    [[nodiscard]] const std::vector<std::string>& FailureReasons() const { return m_reasons; }

private:
    bool m_keep;
    std::string m_text;
    std::vector<std::string> m_history;
    std::vector<std::string> m_reasons;
};

class FakeTimer final : public IntervalTimer {
public:
    void SetInterval(std::int32_t milliseconds) override;
    [[nodiscard]] std::int32_t Interval() const override { return m_interval; }
    void SetEnabled(bool enabled) override;
    [[nodiscard]] bool Enabled() const override { return m_enabled; }

    // True when the timer would tick: enabled with a positive interval.
    [[nodiscard]] bool WouldTick() const { return m_enabled && m_interval > 0; }
    // How often the count was (re)started: enabling, or a new interval while enabled.
    [[nodiscard]] int Restarts() const { return m_restarts; }

private:
    std::int32_t m_interval = 0;
    bool m_enabled = false;
    int m_restarts = 0;
};

// A clock at a known date, 6 December 2026 14:03:27 until set, whose ticks move only when told
// to, or by a fixed step at every reading, or are the system's real ticks (Ticks::Real: probes'
// waits are measured and sleeps are real, while the date stays put). Safe to read and advance
// from several threads, as probes running at once do.
class FakeClock final : public Clock {
public:
    enum class Ticks { Manual, Real };

    explicit FakeClock(Ticks ticks = Ticks::Manual);
    [[nodiscard]] std::uint32_t TickCount() override;
    [[nodiscard]] LocalDateTime Now() override;
    // The local time read as UTC; the system's with real ticks.
    [[nodiscard]] std::int64_t SecondsSinceEpoch() override;
    void Sleep(std::uint32_t milliseconds) override {
        m_system ? m_system->Sleep(milliseconds) : Advance(milliseconds);
    }

    void SetTick(std::uint32_t tick) { m_tick = tick; }
    // Every reading of the tick count first moves it on by this much; 0 at first.
    void SetStep(std::uint32_t milliseconds) { m_step = milliseconds; }
    void SetNow(const LocalDateTime& now);
    // Moves the ticks and the local time on together.
    void Advance(std::uint32_t milliseconds) {
        m_tick += milliseconds;
        m_msSinceEpoch += milliseconds;
    }

private:
    std::optional<SystemClock> m_system; // set for real ticks
    std::atomic<std::uint32_t> m_tick = 0;
    std::atomic<std::uint32_t> m_step = 0;
    std::atomic<std::int64_t> m_msSinceEpoch = 0; // of the local time, since 30 December 1899
};

class FakeHost final : public HostServices {
public:
    // Runs every action posted before this pump began, in order.
    void PumpMessages() override;
    void PlayErrorSound() override;
    void RunBlocking(const std::function<void()>& work) override;
    [[nodiscard]] std::string LogDirectory() const override { return m_programDirectory; }

    // Queues an action (a command, a timer tick) for the next pump, as a click while a probe
    // runs is delivered there.
    void Post(std::function<void()> action);
    // Called at every sound, while it "plays".
    void OnSound(std::function<void()> hook) { m_onSound = std::move(hook); }
    void SetLogDirectory(std::string directory) { m_programDirectory = std::move(directory); }
    // Answers whether the cycle is to be cut short; never, by default.
    void OnCutShortQuery(std::function<bool()> query) { m_cutShort = std::move(query); }
    [[nodiscard]] bool CutCycleShort() const override { return m_cutShort && m_cutShort(); }
    // Called as every blocking step begins.
    void OnBlocking(std::function<void()> hook) { m_onBlocking = std::move(hook); }

    [[nodiscard]] bool InsideBlocking() const { return m_blockingDepth > 0; }
    [[nodiscard]] int Pumps() const { return m_pumps; }
    [[nodiscard]] int Sounds() const { return m_sounds; }
    [[nodiscard]] int BlockingCalls() const { return m_blockingCalls; }

private:
    std::deque<std::function<void()>> m_posted;
    std::function<void()> m_onSound;
    std::function<bool()> m_cutShort;
    std::function<void()> m_onBlocking;
    std::string m_programDirectory = "/nonexistent";
    int m_blockingDepth = 0;
    int m_pumps = 0;
    int m_sounds = 0;
    int m_blockingCalls = 0;
};

} // namespace velnorix::kit
