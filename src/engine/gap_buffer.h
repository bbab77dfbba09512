#pragma once

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <utility>
#include <vector>

namespace velnorix {

// A sequence with a movable hole in it. A cycle inserts every result line at the same index and
// trimming deletes from the end; both cost O(1) here, where a plain vector moves every line
// below the insertion point each time. Only a change far from the last one moves elements.
template <typename T>
class GapBuffer {
public:
    [[nodiscard]] std::size_t Size() const { return m_slots.size() - GapSize(); }
    [[nodiscard]] bool Empty() const { return Size() == 0; }

    [[nodiscard]] const T& operator[](std::size_t index) const { return m_slots[SlotOf(index)]; }
    // Throws std::out_of_range beyond the last element.
    [[nodiscard]] const T& At(std::size_t index) const {
        if (index >= Size())
            throw std::out_of_range("GapBuffer index out of range");
        return (*this)[index];
    }

    // Inserts before `index`; Size() appends. The gap stays in front of the new element, so
    // the next insert at the same index moves nothing.
    void Insert(std::size_t index, T value) {
        if (GapSize() == 0)
            Widen();
        MoveGapTo(index);
        m_slots[--m_gapEnd] = std::move(value);
    }

    void PushBack(T value) { Insert(Size(), std::move(value)); }

    void Erase(std::size_t index) {
        // The last element past the gap simply goes.
        if (index + 1 == Size() && m_gapEnd < m_slots.size()) {
            m_slots.pop_back();
            return;
        }
        EraseRange(index, index + 1);
    }

    // Erases [first, last).
    void EraseRange(std::size_t first, std::size_t last) {
        MoveGapTo(first);
        for (std::size_t n = first; n < last; ++n)
            m_slots[m_gapEnd++] = T{};
        // A gap far larger than what is kept is memory held for nothing.
        if (GapSize() > Size() + kLeastGap * 64)
            Compact();
    }

    void Clear() {
        m_slots.clear();
        m_gapBegin = 0;
        m_gapEnd = 0;
    }

private:
    static constexpr std::size_t kLeastGap = 16;

    [[nodiscard]] std::size_t GapSize() const { return m_gapEnd - m_gapBegin; }
    [[nodiscard]] std::size_t SlotOf(std::size_t index) const {
        return index < m_gapBegin ? index : index + GapSize();
    }

    void MoveGapTo(std::size_t index) {
        const auto origin = m_slots.begin();
        const auto begin = static_cast<std::ptrdiff_t>(m_gapBegin);
        const auto end = static_cast<std::ptrdiff_t>(m_gapEnd);
        const auto at = static_cast<std::ptrdiff_t>(index);
        if (index < m_gapBegin) {
            std::move_backward(origin + at, origin + begin, origin + end);
            m_gapEnd -= m_gapBegin - index;
            m_gapBegin = index;
        } else if (index > m_gapBegin) {
            std::move(origin + end, origin + end + (at - begin), origin + begin);
            m_gapEnd += index - m_gapBegin;
            m_gapBegin = index;
        }
    }

    // Doubles the room, so inserting n elements moves O(n) of them in all.
    void Widen() {
        const std::size_t extra = std::max(kLeastGap, Size());
        m_slots.insert(m_slots.begin() + static_cast<std::ptrdiff_t>(m_gapBegin), extra, T{});
        m_gapEnd += extra;
    }

    void Compact() {
        const auto origin = m_slots.begin();
        m_slots.erase(origin + static_cast<std::ptrdiff_t>(m_gapBegin),
                      origin + static_cast<std::ptrdiff_t>(m_gapEnd));
        m_gapEnd = m_gapBegin;
    }

    std::vector<T> m_slots;
    std::size_t m_gapBegin = 0; // the gap is [m_gapBegin, m_gapEnd) of m_slots
    std::size_t m_gapEnd = 0;
};

} // namespace velnorix
