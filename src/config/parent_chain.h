#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velnorix {

// What can be wrong with the target a target is reached through.
enum class ParentFault {
    None,
    OutOfRange, // not 0 and not the number of a target
    Self,       // the target itself
    Loop,       // following parents comes back to the target
};

// The fault of target `number`'s parent (1-based), where `parents` holds every target's parent
// in table order, 0 for none. Targets further up the chain are followed, not judged.
ParentFault FindParentFault(std::span<const std::int32_t> parents, std::int32_t number);

// What follows a statement of the parent to say why it cannot be taken, among `count` targets:
// "; it must be from 0 to 4", "; a target cannot be its own parent" or ", which makes a loop
// of parents"; empty for None.
std::string ParentFaultReason(ParentFault fault, std::int32_t count);

} // namespace velnorix
