#include "app/failure_highlighter.h"

#include <QColor>
#include <QFont>

namespace velnorix {
namespace {

QString Keyword() {
    return QStringLiteral("Failure:");
}

} // namespace

FailureHighlighter::FailureHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

QTextCharFormat FailureHighlighter::FailureFormat() {
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setForeground(QColor(255, 0, 0));
    format.setBackground(QColor(255, 255, 0));
    return format;
}

void FailureHighlighter::highlightBlock(const QString& text) {
    const QString keyword = Keyword();
    const QTextCharFormat format = FailureFormat();
    for (qsizetype at = text.indexOf(keyword); at >= 0;
         at = text.indexOf(keyword, at + keyword.size()))
        setFormat(static_cast<int>(at), static_cast<int>(keyword.size()), format);
}

} // namespace velnorix
