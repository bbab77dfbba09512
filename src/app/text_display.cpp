#include "app/text_display.h"

#include "app/failure_highlighter.h"
#include "config/forms/qt_text.h"

#include <QFontInfo>
#include <QHelpEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>
#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <vector>

namespace velnorix {
namespace {

// One engine line is one document block: characters that would start a new block are shown
// as blanks.
QString ShownText(const std::string& line) {
    QString text = QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size()));
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v' ||
            c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u' ';
    }
    return text;
}

} // namespace

TextDisplay::TextDisplay(QWidget* parent)
    : QPlainTextEdit(parent), m_highlighter(new FailureHighlighter(document())) {
    setReadOnly(true);
    // Selectable for copying, but no caret and no editing.
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    document()->setUndoRedoEnabled(false);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    setFont(font);
}

int TextDisplay::Count() const {
    return static_cast<int>(m_lines.Size());
}

std::string TextDisplay::Line(int index) const {
    CheckIndex(index, Count() - 1);
    return m_lines[static_cast<std::size_t>(index)];
}

void TextDisplay::Add(std::string_view line) {
    Insert(Count(), line);
}

void TextDisplay::Insert(int index, std::string_view line) {
    InsertResult(index, line, {});
}

void TextDisplay::InsertResult(int index, std::string_view line, std::string_view reason) {
    CheckIndex(index, Count());
    m_lines.Insert(static_cast<std::size_t>(index), std::string(line));
    m_pending.Insert(index, {std::string(line), std::string(reason)});
    // A cycle of thousands of targets shows its lines as they come, a chunk at a time, rather
    // than stalling the window with all of them at its end.
    if (++m_pendingInserts >= kChunkLines)
        ShowPending(true);
    else
        ShowPending();
}

void TextDisplay::Delete(int index) {
    CheckIndex(index, Count() - 1);
    m_lines.Erase(static_cast<std::size_t>(index));
    m_pending.Delete(index);
    ShowPending();
}

void TextDisplay::Clear() {
    m_lines.Clear();
    m_pending.Clear();
    ShowPending();
}

void TextDisplay::BeginUpdate() {
    ++m_updateDepth;
}

void TextDisplay::EndUpdate() {
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    ShowPending();
}

int TextDisplay::VisibleLineCount() const {
    return height() / (std::abs(QFontInfo(font()).pixelSize()) + 2);
}

void TextDisplay::CheckIndex(int index, int limit) const {
    if (index < 0 || index > limit)
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

void TextDisplay::ShowPending(bool inBatch) {
    if ((m_updateDepth > 0 && !inBatch) || m_pending.Empty())
        return;
    m_pendingInserts = 0;
    const std::vector<DisplayEdit> edits = m_pending.Take();
    QTextCursor batch(document());
    batch.beginEditBlock();
    for (const DisplayEdit& edit : edits) {
        switch (edit.What) {
        case DisplayEdit::Kind::Insert:
            ShowInsert(edit);
            break;
        case DisplayEdit::Kind::Delete:
            ShowDelete(edit.Index, edit.Count);
            break;
        case DisplayEdit::Kind::Clear:
            ShowClear();
            break;
        }
    }
    batch.endEditBlock();
}

QString TextDisplay::ReasonAt(const QPoint& viewportPoint) const {
    const QTextBlock block = cursorForPosition(viewportPoint).block();
    const QRectF area = blockBoundingGeometry(block).translated(contentOffset());
    if (!block.isValid() || viewportPoint.y() < area.top() || viewportPoint.y() >= area.bottom())
        return {};
    const int number = block.blockNumber();
    return number >= 0 && number < static_cast<int>(m_shownReasons.Size())
               ? m_shownReasons[static_cast<std::size_t>(number)]
               : QString();
}

bool TextDisplay::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QPlainTextEdit::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString reason = ReasonAt(help->pos());
    if (reason.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), PlainToolTip(reason), viewport());
    return true;
}

void TextDisplay::ShowInsert(const DisplayEdit& edit) {
    const auto at = static_cast<std::size_t>(edit.Index);
    // All the lines in one piece of text: one edit of the document, not one per line.
    QString text;
    bool first = true;
    for (const ShownLine& line : edit.Lines) {
        if (!first)
            text += u'\n';
        first = false;
        text += ShownText(line.Text);
    }
    for (auto line = edit.Lines.rbegin(); line != edit.Lines.rend(); ++line)
        m_shownReasons.Insert(at,
                              QString::fromLocal8Bit(line->Reason.data(),
                                                     static_cast<qsizetype>(line->Reason.size())));
    const auto shownBefore = m_shownReasons.Size() - edit.Lines.size();
    QTextCursor cursor(document());
    if (shownBefore == 0) {
        cursor.movePosition(QTextCursor::Start);
    } else if (at == shownBefore) {
        cursor.movePosition(QTextCursor::End);
        text.prepend(u'\n');
    } else {
        cursor.setPosition(document()->findBlockByNumber(edit.Index).position());
        text += u'\n';
    }
    cursor.insertText(text);
}

void TextDisplay::ShowClear() {
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    m_shownReasons.Clear();
}

void TextDisplay::ShowDelete(int index, int count) {
    const auto shown = static_cast<int>(m_shownReasons.Size());
    if (count >= shown) {
        ShowClear();
        return;
    }
    m_shownReasons.EraseRange(static_cast<std::size_t>(index),
                              static_cast<std::size_t>(index) + static_cast<std::size_t>(count));
    QTextCursor cursor(document());
    if (index + count == shown) {
        // Lines at the end go with the line break before them.
        cursor.setPosition(document()->findBlockByNumber(index - 1).position());
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(document()->findBlockByNumber(index).position());
        cursor.setPosition(document()->findBlockByNumber(index + count).position(),
                           QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
}

} // namespace velnorix
