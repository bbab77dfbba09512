#pragma once

#include "engine/host.h"

#include <QPlainTextEdit>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

class FailureHighlighter;

// The main window's read-only text view and the engine's list of display lines over it. The
// lines themselves are kept as the engine gave them; the document shows them. Inside a
// batched update the changes are collected and drawn in one go when the batch ends.
class TextDisplay final : public QPlainTextEdit, public DisplayLines {
    Q_OBJECT

public:
    explicit TextDisplay(QWidget* parent = nullptr);

    [[nodiscard]] int Count() const override;
    [[nodiscard]] std::string Line(int index) const override;
    void Add(std::string_view line) override;
    void Insert(int index, std::string_view line) override;
    // The reason becomes the tooltip of the line once it is shown.
    void InsertResult(int index, std::string_view line, std::string_view reason) override;
    void Delete(int index) override;
    void Clear() override;
    void BeginUpdate() override;
    void EndUpdate() override;
    // The view's height over the font's, with two pixels between lines.
    [[nodiscard]] int VisibleLineCount() const override;

    // The reason kept with the shown line under this point of the viewport; empty over a line
    // without one and below the last line.
    [[nodiscard]] QString ReasonAt(const QPoint& viewportPoint) const;

protected:
    bool viewportEvent(QEvent* event) override;

private:
    struct Change {
        enum class Kind { Insert, Delete, Clear } What;
        int Index = 0;
        std::string Text;
        QString Reason;
    };

    void CheckIndex(int index, int limit) const;
    void Apply(const std::vector<Change>& changes);
    void ShowInsert(int index, const std::string& text, const QString& reason);
    void ShowDelete(int index);
    void ShowClear();

    std::vector<std::string> m_lines;
    std::vector<Change> m_pending;
    // The reason of every shown line, by block number; empty where there is none.
    QStringList m_shownReasons;
    int m_shownCount = 0;
    int m_updateDepth = 0;
    FailureHighlighter* m_highlighter;
};

} // namespace velnorix
