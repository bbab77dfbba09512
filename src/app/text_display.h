#pragma once

#include "app/display_edit_batch.h"
#include "engine/gap_buffer.h"
#include "engine/host.h"

#include <QPlainTextEdit>
#include <string>
#include <string_view>

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
    void CheckIndex(int index, int limit) const;
    // Draws what was collected, unless a batch is open and `inBatch` is false.
    void ShowPending(bool inBatch = false);
    void ShowInsert(const DisplayEdit& edit);
    void ShowDelete(int index, int count);
    void ShowClear();

    GapBuffer<std::string> m_lines;
    DisplayEditBatch m_pending;
    // Lines a batch may collect before they are drawn.
    static constexpr int kChunkLines = 256;
    int m_pendingInserts = 0;
    // The reason of every shown line, by block number; empty where there is none.
    GapBuffer<QString> m_shownReasons;
    int m_updateDepth = 0;
    FailureHighlighter* m_highlighter;
};

} // namespace velnorix
