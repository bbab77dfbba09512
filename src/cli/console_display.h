#pragma once

#include "engine/gap_buffer.h"
#include "engine/host.h"

#include <cstdio>
#include <string>

namespace velnorix {

// The main display on a console: lines are kept (and trimmed by the engine as in the window),
// and every result line the cycle inserts is printed to standard output as it happens. With a
// stream for reasons, a failure's reason follows its line there as "   reason: <text>", so
// standard output keeps exactly the result lines.
class ConsoleStatus;

class ConsoleDisplay final : public DisplayLines {
public:
    // The status line, when given, is erased before each result line, so the two never share
    // a terminal line.
    explicit ConsoleDisplay(std::FILE* out, std::FILE* reasons = nullptr,
                            ConsoleStatus* status = nullptr)
        : m_out(out), m_reasons(reasons), m_status(status) {}

    int Count() const override { return static_cast<int>(m_lines.Size()); }
    std::string Line(int index) const override;
    void Add(std::string_view line) override;
    void Insert(int index, std::string_view line) override;
    void InsertResult(int index, std::string_view line, std::string_view reason) override;
    void Delete(int index) override;
    void Clear() override { m_lines.Clear(); }
    void BeginUpdate() override {}
    void EndUpdate() override {}
    // A virtual screen of 50 lines bounds what is kept.
    int VisibleLineCount() const override { return kVisibleLines; }

private:
    static constexpr int kVisibleLines = 50;

    std::FILE* m_out;
    std::FILE* m_reasons;
    ConsoleStatus* m_status;
    GapBuffer<std::string> m_lines;
};

// The status text on one line of a terminal, rewritten in place; nothing without a terminal.
class ConsoleStatus final : public StatusLine {
public:
    ConsoleStatus(std::FILE* terminal, bool isTerminal)
        : m_terminal(terminal), m_show(isTerminal) {}

    std::string Text() const override { return m_text; }
    void SetText(std::string_view text) override;
    // Clears the status line so ordinary output can follow.
    void Erase();
    [[nodiscard]] bool OnTerminal() const { return m_show; }

private:
    std::FILE* m_terminal;
    bool m_show;
    bool m_shown = false; // the terminal line holds the text
    std::string m_text;
};

} // namespace velnorix
