#include "kit/fake_host.h"

#include <stdexcept>
#include <utility>

namespace velnorix::kit {

int FakeDisplay::Count() const {
    return static_cast<int>(m_lines.size());
}

std::string FakeDisplay::Line(int index) const {
    return m_lines.at(static_cast<std::size_t>(index));
}

void FakeDisplay::Add(std::string_view line) {
    NoteChange();
    m_lines.emplace_back(line);
}

void FakeDisplay::Insert(int index, std::string_view line) {
    if (index < 0 || index > Count())
        throw std::out_of_range("FakeDisplay::Insert beyond the last line");
    NoteChange();
    m_lines.emplace(m_lines.begin() + index, line);
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
    m_lines.erase(m_lines.begin() + index);
}

void FakeDisplay::Clear() {
    NoteChange();
    m_lines.clear();
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

void FakeDisplay::SetSize(int pixelHeight, int fontPixelHeight) {
    m_pixelHeight = pixelHeight;
    m_fontPixelHeight = fontPixelHeight;
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
