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
    void Delete(int index) override;
    void Clear() override;
    void BeginUpdate() override;
    void EndUpdate() override;
    [[nodiscard]] int PixelHeight() const override;
    [[nodiscard]] int FontPixelHeight() const override;

private:
    struct Change {
        enum class Kind { Insert, Delete, Clear } What;
        int Index = 0;
        std::string Text;
    };

    void CheckIndex(int index, int limit) const;
    void Apply(const std::vector<Change>& changes);
    void ShowInsert(int index, const std::string& text);
    void ShowDelete(int index);
    void ShowClear();

    std::vector<std::string> m_lines;
    std::vector<Change> m_pending;
    int m_shownCount = 0;
    int m_updateDepth = 0;
    FailureHighlighter* m_highlighter;
};

} // namespace velnorix
