#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace velnorix {

// Draws every "Failure:" of the text bold, red on yellow, so failed probes stand out.
class FailureHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT

public:
    explicit FailureHighlighter(QTextDocument* document);

    static QTextCharFormat FailureFormat();

protected:
    void highlightBlock(const QString& text) override;
};

} // namespace velnorix
