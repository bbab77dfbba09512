#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

// What the log display searches for and highlights: the verdict of a failed result line.
inline constexpr std::string_view kFailureText = "Failure:";

// A place in the text: a line (0-based) and a byte offset within it.
struct TextPosition {
    std::int32_t Line = 0;
    std::int32_t Column = 0;

    friend auto operator<=>(const TextPosition&, const TextPosition&) = default;
};

// A log file's text as lines, open to editing in memory. The file's bytes are kept as read and
// lines point into them; an edited line gets storage of its own, so a 100 MB log costs little
// more than its size and one edit never copies the file. Every line holding kFailureText is
// indexed, which makes finding the next failure a binary search whatever the file's length.
class LogText final {
public:
    // One empty line.
    LogText();
    // Lines end at LF; a CR before it belongs to the line end. A text that ends with a line end
    // has an empty last line, as an editor shows it.
    explicit LogText(std::string bytes);

    [[nodiscard]] std::int32_t LineCount() const {
        return static_cast<std::int32_t>(m_lines.size());
    }
    [[nodiscard]] std::string_view Line(std::int32_t index) const { return m_lines.at(index); }
    // Lines holding kFailureText, in ascending order.
    [[nodiscard]] const std::vector<std::int32_t>& FailureLines() const { return m_failureLines; }
    // Bytes of the longest line there has been: the width the view must be able to scroll to.
    [[nodiscard]] std::size_t WidestLine() const { return m_widestLine; }

    // The end of the last line.
    [[nodiscard]] TextPosition End() const;
    // The nearest position inside the text.
    [[nodiscard]] TextPosition Clamp(TextPosition position) const;
    // The text between two positions, in either order, lines joined with LF.
    [[nodiscard]] std::string TextBetween(TextPosition a, TextPosition b) const;
    // Replaces the text between two positions (in either order) with `text`, in which CR LF,
    // LF and CR each break a line. Returns the position just after the inserted text.
    TextPosition Replace(TextPosition a, TextPosition b, std::string_view text);

private:
    // The file as read and the lines edited since; neither moves while the text lives, so the
    // line views stay valid when the LogText itself is moved.
    struct Storage {
        std::string FileBytes;
        std::deque<std::string> EditedLines;
    };

    void ReplaceLines(std::int32_t first, std::int32_t count, std::vector<std::string> lines);

    std::unique_ptr<Storage> m_storage;
    std::vector<std::string_view> m_lines;
    std::vector<std::int32_t> m_failureLines;
    std::size_t m_widestLine = 0;
};

// Every column of `line` at which kFailureText starts, in ascending order.
std::vector<std::int32_t> FailureColumns(std::string_view line);

} // namespace velnorix
