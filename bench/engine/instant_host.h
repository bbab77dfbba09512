#pragma once

#include "engine/host.h"
#include "probes/probe_interfaces.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The cheapest possible surroundings for the engine, so a benchmark measures the engine's own
// work: probes that succeed at once, a display that is a plain list of lines, a clock that
// advances one millisecond per reading.
namespace velnorix::bench {

class ListDisplay final : public DisplayLines {
public:
    [[nodiscard]] int Count() const override { return static_cast<int>(m_lines.size()); }
    [[nodiscard]] std::string Line(int index) const override {
        return m_lines[static_cast<std::size_t>(index)];
    }
    void Add(std::string_view line) override { m_lines.emplace_back(line); }
    void Insert(int index, std::string_view line) override {
        m_lines.emplace(m_lines.begin() + index, line);
    }
    void Delete(int index) override { m_lines.erase(m_lines.begin() + index); }
    void Clear() override { m_lines.clear(); }
    void BeginUpdate() override {}
    void EndUpdate() override {}
    // The default window: room for 25 lines.
    [[nodiscard]] int VisibleLineCount() const override { return 25; }

private:
    std::vector<std::string> m_lines;
};

class PlainStatus final : public StatusLine {
public:
    [[nodiscard]] std::string Text() const override { return m_text; }
    void SetText(std::string_view text) override { m_text = text; }

private:
    std::string m_text;
};

class PlainTimer final : public IntervalTimer {
public:
    void SetInterval(std::int32_t milliseconds) override { m_interval = milliseconds; }
    [[nodiscard]] std::int32_t Interval() const override { return m_interval; }
    void SetEnabled(bool enabled) override { m_enabled = enabled; }
    [[nodiscard]] bool Enabled() const override { return m_enabled; }

private:
    std::int32_t m_interval = 0;
    bool m_enabled = false;
};

class SteppingClock final : public Clock {
public:
    [[nodiscard]] std::uint32_t TickCount() override { return ++m_tick; }
    [[nodiscard]] LocalDateTime Now() override { return {2026, 12, 6, 14, 3, 27, 0}; }
    [[nodiscard]] std::int64_t SecondsSinceEpoch() override { return 1'796'565'807; }

private:
    std::uint32_t m_tick = 0;
};

class InlineHost final : public HostServices {
public:
    explicit InlineHost(std::string directory) : m_directory(std::move(directory)) {}
    void PumpMessages() override {}
    void PlayErrorSound() override {}
    void RunBlocking(const std::function<void()>& work) override { work(); }
    [[nodiscard]] std::string LogDirectory() const override { return m_directory; }

private:
    std::string m_directory;
};

class InstantProbes final : public EchoProbe, public HeadProbe, public LoginDialogueProbe {
public:
    void SetHost(std::string_view) override {}
    void SetPort(std::int32_t) override {}
    void EchoExchange(std::string_view, std::uint16_t) override {}
    [[nodiscard]] ReplyStatusKind ReplyKind() const override { return ReplyStatusKind::Echo; }
    void SetTarget(std::int32_t) override {}
    void HeadRequest(std::string_view) override {}
    void CloseConnection() override {}
    void SetUsername(std::string_view) override {}
    void SetPassword(std::string_view) override {}
    void StartDialogue() override {}
    void EndDialogue() override {}

    ProbeComponents Components() { return ProbeComponents{*this, *this, *this, *this}; }
};

} // namespace velnorix::bench
