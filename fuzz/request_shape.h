#pragma once

#include <string_view>

namespace velnorix::fuzzing {

// Stops the fuzzer unless `request` is one HEAD request block: the request line, header lines
// ("Name: value", folded right after the colon as "Name:") or their continuations (beginning with a
// blank), each ending in CR LF, and one empty line at the very end. Whatever a server or a
// configuration put into the pieces, it must never add a line of its own to what the probe sends.
void CheckRequestShape(std::string_view request);

} // namespace velnorix::fuzzing
