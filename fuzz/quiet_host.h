#pragma once

#include "engine/host.h"

#include <optional>
#include <string>
#include <vector>

// The little of the program around the engine that loading a configuration needs, with nobody
// to show anything to.
namespace velnorix::fuzzing {

class QuietDisplay final : public DisplayLines {
public:
    int Count() const override { return static_cast<int>(m_lines.size()); }
    std::string Line(int index) const override;
    void Add(std::string_view line) override { m_lines.emplace_back(line); }
    void Insert(int index, std::string_view line) override;
    void Delete(int index) override;
    void Clear() override { m_lines.clear(); }
    void BeginUpdate() override {}
    void EndUpdate() override {}
    int VisibleLineCount() const override { return 25; }

private:
    std::vector<std::string> m_lines;
};

// Counts the messages; questions are answered No and file dialogs cancelled.
class QuietPrompts final : public UserPrompts {
public:
    void ShowErrorBox(std::string_view) override { ++m_messages; }
    void ShowInformation(std::string_view) override { ++m_messages; }
    void ShowConfirmation(std::string_view) override { ++m_messages; }
    bool AskYesNo(std::string_view) override { return false; }
    void ShowGeneralError(std::string_view) override { ++m_messages; }
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions&) override { return {}; }
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions&) override { return {}; }

    [[nodiscard]] int Messages() const { return m_messages; }

private:
    int m_messages = 0;
};

// A clock that never moves, so a run depends on its input alone: 5 December 2006, 14:30 UTC.
class StoppedClock final : public Clock {
public:
    std::uint32_t TickCount() override { return 0; }
    LocalDateTime Now() override { return {2006, 12, 5, 14, 30, 0, 0}; }
    std::int64_t SecondsSinceEpoch() override { return 1'165'329'000; }
};

// Stops the fuzzer with a report when a property of the code under test does not hold; the
// sanitizers then print where it happened.
[[noreturn]] void PropertyFailed(const char* what);

} // namespace velnorix::fuzzing
