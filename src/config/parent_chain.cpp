#include "config/parent_chain.h"

namespace velnorix {

ParentFault FindParentFault(std::span<const std::int32_t> parents, std::int32_t number) {
    const auto count = static_cast<std::int32_t>(parents.size());
    const auto parentOf = [parents](std::int32_t n) {
        return parents[static_cast<std::size_t>(n - 1)];
    };
    const std::int32_t parent = parentOf(number);
    if (parent == 0)
        return ParentFault::None;
    if (parent < 0 || parent > count)
        return ParentFault::OutOfRange;
    if (parent == number)
        return ParentFault::Self;
    // Any chain longer than the table has come round again; a number out of range ends it.
    std::int32_t at = parent;
    for (std::int32_t step = 0; at > 0 && at <= count && step < count; ++step) {
        if (at == number)
            return ParentFault::Loop;
        at = parentOf(at);
    }
    return ParentFault::None;
}

std::string ParentFaultReason(ParentFault fault, std::int32_t count) {
    switch (fault) {
    case ParentFault::None:
        break;
    case ParentFault::OutOfRange:
        return "; it must be from 0 to " + std::to_string(count);
    case ParentFault::Self:
        return "; a target cannot be its own parent";
    case ParentFault::Loop:
        return ", which makes a loop of parents";
    }
    return {};
}

} // namespace velnorix
