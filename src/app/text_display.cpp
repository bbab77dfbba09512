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
    return static_cast<int>(m_lines.size());
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
    m_lines.insert(m_lines.begin() + index, std::string(line));
    Apply({{Change::Kind::Insert, index, std::string(line),
            QString::fromLocal8Bit(reason.data(), static_cast<qsizetype>(reason.size()))}});
}

void TextDisplay::Delete(int index) {
    CheckIndex(index, Count() - 1);
    m_lines.erase(m_lines.begin() + index);
    Apply({{Change::Kind::Delete, index, {}, {}}});
}

void TextDisplay::Clear() {
    m_lines.clear();
    // Nothing collected before a clear needs drawing any more.
    m_pending.clear();
    Apply({{Change::Kind::Clear, 0, {}, {}}});
}

void TextDisplay::BeginUpdate() {
    ++m_updateDepth;
}

void TextDisplay::EndUpdate() {
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    std::vector<Change> changes;
    changes.swap(m_pending);
    Apply(changes);
}

int TextDisplay::VisibleLineCount() const {
    return height() / (std::abs(QFontInfo(font()).pixelSize()) + 2);
}

void TextDisplay::CheckIndex(int index, int limit) const {
    if (index < 0 || index > limit)
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

void TextDisplay::Apply(const std::vector<Change>& changes) {
    if (m_updateDepth > 0) {
        m_pending.insert(m_pending.end(), changes.begin(), changes.end());
        return;
    }
    if (changes.empty())
        return;
    QTextCursor batch(document());
    batch.beginEditBlock();
    for (const Change& change : changes) {
        switch (change.What) {
        case Change::Kind::Insert:
            ShowInsert(change.Index, change.Text, change.Reason);
            break;
        case Change::Kind::Delete:
            ShowDelete(change.Index);
            break;
        case Change::Kind::Clear:
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
    return m_shownReasons.value(block.blockNumber());
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

void TextDisplay::ShowInsert(int index, const std::string& text, const QString& reason) {
    m_shownReasons.insert(index, reason);
    QTextCursor cursor(document());
    if (m_shownCount == 0) {
        cursor.movePosition(QTextCursor::Start);
        cursor.insertText(ShownText(text));
    } else if (index == m_shownCount) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertBlock();
        cursor.insertText(ShownText(text));
    } else {
        cursor.setPosition(document()->findBlockByNumber(index).position());
        cursor.insertText(ShownText(text));
        cursor.insertBlock();
    }
    ++m_shownCount;
}

void TextDisplay::ShowClear() {
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    m_shownCount = 0;
    m_shownReasons.clear();
}

void TextDisplay::ShowDelete(int index) {
    QTextCursor cursor(document());
    if (m_shownCount == 1) {
        ShowClear();
        return;
    }
    m_shownReasons.removeAt(index);
    if (index == m_shownCount - 1) {
        // The last line goes with the line break before it.
        cursor.setPosition(document()->findBlockByNumber(index - 1).position());
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(document()->findBlockByNumber(index).position());
        cursor.setPosition(document()->findBlockByNumber(index + 1).position(),
                           QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
    --m_shownCount;
}

} // namespace velnorix
