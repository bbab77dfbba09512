#include "app/display_edit_batch.h"

#include <utility>

namespace velnorix {

void DisplayEditBatch::Insert(int index, ShownLine line) {
    if (!m_edits.empty() && m_edits.back().What == DisplayEdit::Kind::Insert) {
        DisplayEdit& run = m_edits.back();
        const int runSize = static_cast<int>(run.Lines.size());
        // Above the lines just inserted, or right below them: the same run grows.
        if (index == run.Index) {
            run.Lines.push_front(std::move(line));
            return;
        }
        if (index == run.Index + runSize) {
            run.Lines.push_back(std::move(line));
            return;
        }
    }
    DisplayEdit edit{.What = DisplayEdit::Kind::Insert, .Index = index, .Count = 0, .Lines = {}};
    edit.Lines.push_back(std::move(line));
    m_edits.push_back(std::move(edit));
}

void DisplayEditBatch::Delete(int index) {
    if (!m_edits.empty() && m_edits.back().What == DisplayEdit::Kind::Delete) {
        DisplayEdit& run = m_edits.back();
        // The line that moved up into the gap, or the one just above it.
        if (index == run.Index) {
            ++run.Count;
            return;
        }
        if (index == run.Index - 1) {
            --run.Index;
            ++run.Count;
            return;
        }
    }
    m_edits.push_back({.What = DisplayEdit::Kind::Delete, .Index = index, .Count = 1, .Lines = {}});
}

void DisplayEditBatch::Clear() {
    m_edits.clear();
    m_edits.push_back({.What = DisplayEdit::Kind::Clear, .Index = 0, .Count = 0, .Lines = {}});
}

std::vector<DisplayEdit> DisplayEditBatch::Take() {
    std::vector<DisplayEdit> edits;
    edits.swap(m_edits);
    return edits;
}

} // namespace velnorix
