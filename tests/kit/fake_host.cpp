#include "kit/fake_host.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace velnorix::kit {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

std::int64_t MsSinceEpoch(const LocalDateTime& t) {
    return std::llround(ToDayCount(t) * kMsPerDay);
}

} // namespace

int FakeDisplay::Count() const {
    return static_cast<int>(m_lines.Size());
}

std::string FakeDisplay::Line(int index) const {
    if (index < 0)
        throw std::out_of_range("FakeDisplay::Line before the first line");
    return m_lines.At(static_cast<std::size_t>(index));
}

std::vector<std::string> FakeDisplay::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(m_lines.Size());
    for (std::size_t i = 0; i < m_lines.Size(); ++i)
        lines.push_back(m_lines[i]);
    return lines;
}

void FakeDisplay::Add(std::string_view line) {
    NoteChange();
    m_lines.PushBack(std::string(line));
}

void FakeDisplay::Insert(int index, std::string_view line) {
    if (index < 0 || index > Count())
        throw std::out_of_range("FakeDisplay::Insert beyond the last line");
    NoteChange();
    m_lines.Insert(static_cast<std::size_t>(index), std::string(line));
}

void FakeDisplay::InsertResult(int index, std::string_view line, std::string_view reason) {
    Insert(index, line);
    if (m_keep)
        m_reasons.emplace_back(reason);
}

void FakeDisplay::Delete(int index) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("FakeDisplay::Delete of a line that does not exist");
    NoteChange();
    m_lines.Erase(static_cast<std::size_t>(index));
}

void FakeDisplay::Clear() {
    NoteChange();
    m_lines.Clear();
}

void FakeDisplay::BeginUpdate() {
    ++m_updateDepth;
}

void FakeDisplay::EndUpdate() {
    if (m_updateDepth == 0)
        throw std::logic_error("FakeDisplay::EndUpdate without BeginUpdate");
    if (--m_updateDepth == 0)
        ++m_updatesEnded;
}

void FakeDisplay::ResetCounters() {
    m_updatesEnded = 0;
    m_changesOutsideUpdate = 0;
}

void FakeDisplay::NoteChange() {
    if (m_updateDepth == 0)
        ++m_changesOutsideUpdate;
}

void FakeStatusLine::SetText(std::string_view text) {
    m_text = text;
    if (m_keep)
        m_history.push_back(m_text);
}

void FakeStatusLine::ShowFailureReason(std::string_view reason) {
    if (m_keep)
        m_reasons.emplace_back(reason);
}

void FakeTimer::SetInterval(std::int32_t milliseconds) {
    m_interval = milliseconds;
    if (m_enabled)
        ++m_restarts;
}

void FakeTimer::SetEnabled(bool enabled) {
    m_enabled = enabled;
    if (enabled)
        ++m_restarts;
}

FakeClock::FakeClock(Ticks ticks)
    : m_msSinceEpoch(MsSinceEpoch(LocalDateTime{2026, 12, 6, 14, 3, 27, 0})) {
    if (ticks == Ticks::Real)
        m_system.emplace();
}

std::uint32_t FakeClock::TickCount() {
    if (m_system)
        return m_system->TickCount();
    const std::uint32_t step = m_step;
    return m_tick += step;
}

LocalDateTime FakeClock::Now() {
    return FromDayCount(static_cast<double>(m_msSinceEpoch) / kMsPerDay);
}

std::int64_t FakeClock::SecondsSinceEpoch() {
    if (m_system)
        return m_system->SecondsSinceEpoch();
    constexpr std::int64_t kMsFrom1899To1970 = std::int64_t{25'569} * kMsPerDay;
    return (m_msSinceEpoch - kMsFrom1899To1970) / 1000;
}

void FakeClock::SetNow(const LocalDateTime& now) {
    m_msSinceEpoch = MsSinceEpoch(now);
}

void FakeHost::PumpMessages() {
    ++m_pumps;
    std::deque<std::function<void()>> due;
    due.swap(m_posted);
    for (const auto& action : due)
        action();
}

void FakeHost::PlayErrorSound() {
    ++m_sounds;
    if (m_onSound)
        m_onSound();
}

void FakeHost::RunBlocking(const std::function<void()>& work) {
    if (m_onBlocking)
        m_onBlocking();
    ++m_blockingCalls;
    ++m_blockingDepth;
    try {
        work();
    } catch (...) {
        --m_blockingDepth;
        throw;
    }
    --m_blockingDepth;
}

void FakeHost::Post(std::function<void()> action) {
    m_posted.push_back(std::move(action));
}

} // namespace velnorix::kit
