#pragma once

#include <deque>
#include <string>
#include <vector>

namespace velnorix {

// A line as the window is to show it, with the failure reason its tooltip gives.
struct ShownLine {
    std::string Text;
    std::string Reason;
};

// One change of the shown lines. Indexes count the lines shown when the change is made.
struct DisplayEdit {
    enum class Kind { Insert, Delete, Clear } What = Kind::Insert;
    int Index = 0;
    int Count = 0;               // lines a delete removes
    std::deque<ShownLine> Lines; // lines an insert adds, top first
};

// The changes of a batched update, merged while they come so the window redraws in a few
// steps: a cycle inserts all its lines at one index (one edit) and trimming deletes lines
// one after another from the bottom (one edit).
class DisplayEditBatch {
public:
    void Insert(int index, ShownLine line);
    void Delete(int index);
    // Whatever was collected before is no longer worth drawing.
    void Clear();

    [[nodiscard]] bool Empty() const { return m_edits.empty(); }
    // The edits in order; the batch is empty afterwards.
    [[nodiscard]] std::vector<DisplayEdit> Take();

private:
    std::vector<DisplayEdit> m_edits;
};

} // namespace velnorix
