#include "reports/forms/log_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>

namespace velnorix {
namespace {

constexpr int kMargin = 2;
// Lines up to this many bytes are laid out whole; longer ones only around what is on screen.
constexpr std::int32_t kWholeLineLimit = 4096;
// Bytes laid out beyond each side of the visible stretch of a long line.
constexpr std::int32_t kSegmentSlack = 256;
constexpr auto kFailureLength = static_cast<std::int32_t>(kFailureText.size());

QString ToQString(const DisplayLine& line) {
    return QString::fromUtf16(line.Text().data(), static_cast<qsizetype>(line.Text().size()));
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

const QTextCharFormat& FailureFormat() {
    static const QTextCharFormat format = [] {
        QTextCharFormat f;
        f.setFontWeight(QFont::Bold);
        f.setForeground(QColor(255, 0, 0));
        f.setBackground(QColor(255, 255, 0));
        return f;
    }();
    return format;
}

} // namespace

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    UpdateMetrics();
}

void LogView::SetText(LogText text) {
    m_text = std::move(text);
    m_anchor = m_caret = {};
    m_wantedX = -1;
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

std::int32_t LogView::FirstVisibleLine() const {
    return verticalScrollBar()->value();
}

QRect LogView::CursorRect(TextPosition position) const {
    position = m_text.Clamp(position);
    const auto x =
        static_cast<int>(std::floor(ContentX(position))) - horizontalScrollBar()->value();
    const int y = (position.Line - FirstVisibleLine()) * m_lineHeight;
    return {x + kMargin, y, 1, m_lineHeight};
}

LogView::Segment LogView::SegmentOf(std::int32_t line, std::int32_t firstByte,
                                    std::int32_t lastByte) const {
    const std::string_view bytes = m_text.Line(line);
    const auto length = static_cast<std::int32_t>(bytes.size());
    if (length <= kWholeLineLimit)
        return {0, bytes, DisplayLine(bytes), 0};

    // A long line is placed as one column per byte; its stretch starts on a character boundary
    // so that it decodes as the whole line would.
    std::int32_t start = std::clamp(firstByte - kSegmentSlack, 0, length);
    while (start > 0 && IsContinuationByte(bytes[static_cast<std::size_t>(start)]))
        --start;
    const std::int32_t end =
        std::clamp(std::max(firstByte, lastByte) + kSegmentSlack, start, length);
    const std::string_view stretch =
        bytes.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
    return {start, stretch, DisplayLine(stretch), start * m_charWidth};
}

void LogView::LayOut(QTextLayout& layout, const Segment& segment) const {
    layout.setText(ToQString(segment.Chars));
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    QList<QTextLayout::FormatRange> failures;
    for (const std::int32_t column : FailureColumns(segment.Bytes)) {
        const int start = segment.Chars.UnitOfByte(column);
        failures.push_back(
            {start, segment.Chars.UnitOfByte(column + kFailureLength) - start, FailureFormat()});
    }
    layout.setFormats(failures);
    layout.beginLayout();
    layout.createLine(); // unwrapped: endLayout puts the whole text on this one line
    layout.endLayout();
}

int LogView::UnitIn(const Segment& segment, std::int32_t byteColumn) {
    return segment.Chars.UnitOfByte(byteColumn - segment.StartByte);
}

qreal LogView::ContentX(TextPosition position) const {
    const Segment segment = SegmentOf(position.Line, position.Column, position.Column);
    QTextLayout layout;
    LayOut(layout, segment);
    return segment.OriginX + layout.lineAt(0).cursorToX(UnitIn(segment, position.Column));
}

TextPosition LogView::PositionInLineAt(std::int32_t line, qreal contentX) const {
    contentX = std::max<qreal>(contentX, 0);
    const auto column =
        static_cast<std::int32_t>(std::min<qreal>(contentX / m_charWidth, INT_MAX / 2));
    const Segment segment = SegmentOf(line, column, column);
    QTextLayout layout;
    LayOut(layout, segment);
    const int unit = layout.lineAt(0).xToCursor(contentX - segment.OriginX);
    return {line, segment.StartByte + segment.Chars.ByteOfUnit(unit)};
}

TextPosition LogView::PositionAt(QPoint viewportPoint) const {
    const auto row = static_cast<std::int32_t>(
        std::floor(static_cast<double>(viewportPoint.y()) / m_lineHeight));
    const std::int32_t line =
        std::clamp<std::int64_t>(std::int64_t{FirstVisibleLine()} + row, 0, m_text.LineCount() - 1);
    return PositionInLineAt(line, viewportPoint.x() - kMargin + horizontalScrollBar()->value());
}

std::int32_t LogView::VisibleLineCount() const {
    return std::max(1, viewport()->height() / m_lineHeight);
}

TextPosition LogView::Neighbour(TextPosition position, bool forward) const {
    const auto length = static_cast<std::int32_t>(m_text.Line(position.Line).size());
    if (forward && position.Column < length) {
        const Segment segment = SegmentOf(position.Line, position.Column, position.Column);
        const std::int32_t next = segment.Chars.NextByte(position.Column - segment.StartByte);
        return {position.Line, segment.StartByte + next};
    }
    if (!forward && position.Column > 0) {
        const Segment segment = SegmentOf(position.Line, position.Column, position.Column);
        const std::int32_t previous =
            segment.Chars.PreviousByte(position.Column - segment.StartByte);
        return {position.Line, segment.StartByte + previous};
    }
    if (forward)
        return position.Line + 1 < m_text.LineCount() ? TextPosition{position.Line + 1, 0}
                                                      : position;
    return position.Line > 0 ? m_text.Clamp({position.Line - 1, INT_MAX}) : position;
}

void LogView::EnsureCaretVisible() {
    const std::int32_t visible = VisibleLineCount();
    const std::int32_t first = FirstVisibleLine();
    if (m_caret.Line < first)
        verticalScrollBar()->setValue(m_caret.Line);
    else if (m_caret.Line >= first + visible)
        verticalScrollBar()->setValue(m_caret.Line - visible + 1);

    const qreal x = ContentX(m_caret);
    const int left = horizontalScrollBar()->value();
    const int width = std::max(1, viewport()->width() - 2 * kMargin);
    if (x < left)
        horizontalScrollBar()->setValue(static_cast<int>(std::floor(x)));
    else if (x + 1 > left + width)
        horizontalScrollBar()->setValue(static_cast<int>(std::ceil(x + 1 - width)));
}

void LogView::UpdateScrollBars() {
    const std::int32_t visible = VisibleLineCount();
    verticalScrollBar()->setRange(0, std::max(0, m_text.LineCount() - visible));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);

    // Room for the widest line and the caret after it, at one column per byte.
    const double contentWidth =
        static_cast<double>(m_text.WidestLine() + 1) * m_charWidth + 2 * kMargin;
    const double hidden = std::min<double>(contentWidth - viewport()->width(), INT_MAX / 2);
    horizontalScrollBar()->setRange(0, std::max(0, static_cast<int>(std::ceil(hidden))));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(std::max(1, static_cast<int>(std::lround(m_charWidth))));
}

void LogView::UpdateMetrics() {
    m_lineHeight = std::max(1, QFontMetrics(font()).height());
    m_charWidth = std::max<qreal>(1, QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0')));
    UpdateScrollBars();
}

void LogView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));

    const int left = horizontalScrollBar()->value();
    const auto firstByte = static_cast<std::int32_t>(left / m_charWidth);
    const auto lastByte = static_cast<std::int32_t>((left + viewport()->width()) / m_charWidth) + 1;
    const TextPosition selectionStart = std::min(m_anchor, m_caret);
    const TextPosition selectionEnd = std::max(m_anchor, m_caret);
    QTextLayout::FormatRange selection;
    // The selection stays visible while a search button holds the focus.
    selection.format.setBackground(palette().color(QPalette::Active, QPalette::Highlight));
    selection.format.setForeground(palette().color(QPalette::Active, QPalette::HighlightedText));

    const std::int32_t first = FirstVisibleLine();
    const std::int32_t top = first + event->rect().top() / m_lineHeight;
    const std::int32_t bottom =
        std::min(m_text.LineCount() - 1, first + event->rect().bottom() / m_lineHeight);
    for (std::int32_t line = top; line <= bottom; ++line) {
        const Segment segment = SegmentOf(line, firstByte, lastByte);
        QTextLayout layout;
        LayOut(layout, segment);
        const QPointF origin(kMargin + segment.OriginX - left, (line - first) * m_lineHeight);

        QList<QTextLayout::FormatRange> selections;
        if (HasSelection() && line >= selectionStart.Line && line <= selectionEnd.Line) {
            const std::int32_t from = line == selectionStart.Line ? selectionStart.Column : 0;
            const std::int32_t to = line == selectionEnd.Line ? selectionEnd.Column : INT_MAX;
            selection.start = UnitIn(segment, from);
            selection.length = UnitIn(segment, to) - selection.start;
            selections.push_back(selection);
        }
        layout.draw(&painter, origin, selections);
        if (line == m_caret.Line && m_caretShown && hasFocus())
            layout.drawCursor(&painter, origin, UnitIn(segment, m_caret.Column), 1);
    }
}

void LogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void LogView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateMetrics();
        viewport()->update();
    }
}

void LogView::scrollContentsBy(int, int) {
    // The vertical scroll value counts lines, not pixels: draw afresh.
    viewport()->update();
}

} // namespace velnorix
