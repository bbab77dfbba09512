#pragma once

#include "reports/display_line.h"
#include "reports/failure_search.h"
#include "reports/log_text.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

class QTextLayout;

namespace velnorix {

// The log display's text view: a plain, unwrapped, editable view of a LogText that draws only
// the lines on screen and highlights every kFailureText in bold red on yellow. A general text
// document lays out and styles a whole 100 MB log before it can show it; this view costs the
// same for any length, so logs of months open at once and scroll without delay.
//
// The operator can move the caret, select, copy, type, delete and paste; what is typed stays in
// memory and is never written anywhere.
class LogView final : public QAbstractScrollArea {
public:
    explicit LogView(QWidget* parent = nullptr);

    void SetText(LogText text);
    [[nodiscard]] const LogText& Text() const { return m_text; }

    [[nodiscard]] TextSelection Selection() const { return {m_anchor, m_caret}; }
    // Selects from the anchor to the caret and scrolls the caret into view.
    void Select(TextSelection selection);
    [[nodiscard]] QString SelectedText() const;
    // The caret's rectangle for a position, in viewport coordinates.
    [[nodiscard]] QRect CursorRect(TextPosition position) const;
    [[nodiscard]] std::int32_t FirstVisibleLine() const;

    void Copy() const;
    void Cut();
    void Paste();
    void SelectAll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // The part of a line that is laid out: all of it unless the line is so long that laying it
    // out on every paint would stall the window, then the stretch around the columns asked for.
    struct Segment {
        std::int32_t StartByte = 0;
        std::string_view Bytes;
        DisplayLine Chars;
        qreal OriginX = 0; // content x of the segment's first character
    };
    [[nodiscard]] Segment SegmentOf(std::int32_t line, std::int32_t firstByte,
                                    std::int32_t lastByte) const;
    void LayOut(QTextLayout& layout, const Segment& segment) const;
    [[nodiscard]] static int UnitIn(const Segment& segment, std::int32_t byteColumn);

    [[nodiscard]] qreal ContentX(TextPosition position) const;
    [[nodiscard]] TextPosition PositionAt(QPoint viewportPoint) const;
    [[nodiscard]] TextPosition PositionInLineAt(std::int32_t line, qreal contentX) const;
    [[nodiscard]] std::int32_t VisibleLineCount() const;
    [[nodiscard]] bool HasSelection() const { return m_anchor != m_caret; }
    // The position one character further on or back, across line ends.
    [[nodiscard]] TextPosition Neighbour(TextPosition position, bool forward) const;

    // Moves the caret; the anchor follows unless the selection is being extended.
    void MoveCaret(TextPosition to, bool extendSelection, bool keepColumnX = false);
    void ReplaceSelection(std::string_view text);
    void DeleteFromCaret(bool forward);
    void HandleMovementKey(QKeyEvent* event);
    void EnsureCaretVisible();
    void UpdateScrollBars();
    void UpdateMetrics();
    void RestartCaretBlink();

    LogText m_text;
    TextPosition m_anchor;
    TextPosition m_caret;
    qreal m_wantedX = -1; // kept across Up and Down so the caret returns to its column
    int m_lineHeight = 1;
    qreal m_charWidth = 1;
    bool m_caretShown = true;
    QBasicTimer m_caretBlink;
};

} // namespace velnorix
