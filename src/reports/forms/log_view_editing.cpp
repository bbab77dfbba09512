#include "reports/forms/log_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <algorithm>

// What the operator does to the log view: the caret, the selection, typing, the clipboard and
// the context menu. Drawing and the mapping between positions and pixels are in log_view.cpp.
namespace velnorix {

void LogView::Select(TextSelection selection) {
    m_anchor = m_text.Clamp(selection.Anchor);
    m_caret = m_text.Clamp(selection.Caret);
    m_wantedX = -1;
    EnsureCaretVisible();
    RestartCaretBlink();
    viewport()->update();
}

QString LogView::SelectedText() const {
    return QString::fromUtf8(m_text.TextBetween(m_anchor, m_caret));
}

void LogView::Copy() const {
    if (HasSelection())
        QApplication::clipboard()->setText(SelectedText());
}

void LogView::Cut() {
    Copy();
    ReplaceSelection({});
}

void LogView::Paste() {
    const QByteArray bytes = QApplication::clipboard()->text().toUtf8();
    if (!bytes.isEmpty())
        ReplaceSelection(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void LogView::SelectAll() {
    m_anchor = {};
    m_caret = m_text.End();
    viewport()->update();
}

void LogView::MoveCaret(TextPosition to, bool extendSelection, bool keepColumnX) {
    m_caret = m_text.Clamp(to);
    if (!extendSelection)
        m_anchor = m_caret;
    if (!keepColumnX)
        m_wantedX = -1;
    EnsureCaretVisible();
    RestartCaretBlink();
    viewport()->update();
}

void LogView::ReplaceSelection(std::string_view text) {
    const TextPosition end = m_text.Replace(m_anchor, m_caret, text);
    UpdateScrollBars();
    MoveCaret(end, false);
}

void LogView::DeleteFromCaret(bool forward) {
    if (!HasSelection())
        m_anchor = Neighbour(m_caret, forward);
    ReplaceSelection({});
}

void LogView::HandleMovementKey(QKeyEvent* event) {
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool wholeText = event->modifiers().testFlag(Qt::ControlModifier);
    const auto lineLength = [this](std::int32_t line) {
        return static_cast<std::int32_t>(m_text.Line(line).size());
    };
    const auto vertical = [this, extend](std::int32_t lines) {
        if (m_wantedX < 0)
            m_wantedX = ContentX(m_caret);
        const std::int32_t line =
            std::clamp<std::int64_t>(std::int64_t{m_caret.Line} + lines, 0, m_text.LineCount() - 1);
        MoveCaret(PositionInLineAt(line, m_wantedX), extend, true);
    };

    switch (event->key()) {
    case Qt::Key_Left:
        MoveCaret(Neighbour(m_caret, false), extend);
        break;
    case Qt::Key_Right:
        MoveCaret(Neighbour(m_caret, true), extend);
        break;
    case Qt::Key_Up:
        vertical(-1);
        break;
    case Qt::Key_Down:
        vertical(1);
        break;
    case Qt::Key_PageUp:
        verticalScrollBar()->setValue(FirstVisibleLine() - VisibleLineCount());
        vertical(-VisibleLineCount());
        break;
    case Qt::Key_PageDown:
        verticalScrollBar()->setValue(FirstVisibleLine() + VisibleLineCount());
        vertical(VisibleLineCount());
        break;
    case Qt::Key_Home:
        MoveCaret(wholeText ? TextPosition{} : TextPosition{m_caret.Line, 0}, extend);
        break;
    case Qt::Key_End:
        MoveCaret(wholeText ? m_text.End() : TextPosition{m_caret.Line, lineLength(m_caret.Line)},
                  extend);
        break;
    default:
        break;
    }
}

void LogView::RestartCaretBlink() {
    m_caretShown = true;
    const int halfPeriod = QApplication::cursorFlashTime() / 2;
    if (hasFocus() && halfPeriod > 0)
        m_caretBlink.start(halfPeriod, this);
    else
        m_caretBlink.stop();
}

void LogView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        Copy();
    } else if (event->matches(QKeySequence::Cut)) {
        Cut();
    } else if (event->matches(QKeySequence::Paste)) {
        Paste();
    } else if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else {
        switch (event->key()) {
        case Qt::Key_Backspace:
            DeleteFromCaret(false);
            return;
        case Qt::Key_Delete:
            DeleteFromCaret(true);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ReplaceSelection("\n");
            return;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            HandleMovementKey(event);
            return;
        default:
            break;
        }
        const QString typed = event->text();
        const bool printable =
            !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                            [](QChar c) { return c.isPrint() || c == u'\t'; });
        const bool command =
            event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier);
        if (!printable || command) {
            QAbstractScrollArea::keyPressEvent(event);
            return;
        }
        const QByteArray bytes = typed.toUtf8();
        ReplaceSelection(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

void LogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    MoveCaret(PositionAt(event->position().toPoint()),
              event->modifiers().testFlag(Qt::ShiftModifier));
}

void LogView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons().testFlag(Qt::LeftButton))
        MoveCaret(PositionAt(event->position().toPoint()), true);
}

void LogView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* cut = menu.addAction(QStringLiteral("Cu&t"));
    QAction* copy = menu.addAction(QStringLiteral("&Copy"));
    QAction* paste = menu.addAction(QStringLiteral("&Paste"));
    menu.addSeparator();
    QAction* selectAll = menu.addAction(QStringLiteral("Select &All"));
    cut->setEnabled(HasSelection());
    copy->setEnabled(HasSelection());
    connect(cut, &QAction::triggered, this, &LogView::Cut);
    connect(copy, &QAction::triggered, this, &LogView::Copy);
    connect(paste, &QAction::triggered, this, &LogView::Paste);
    connect(selectAll, &QAction::triggered, this, &LogView::SelectAll);
    menu.exec(event->globalPos());
}

void LogView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RestartCaretBlink();
    viewport()->update();
}

void LogView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_caretBlink.stop();
    viewport()->update();
}

void LogView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_caretBlink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretShown = !m_caretShown;
    viewport()->update(CursorRect(m_caret).adjusted(-2, 0, 2, 0));
}

} // namespace velnorix
