#pragma once

namespace velnorix::fuzzing {

// Stops the fuzzer with a report when a property of the code under test does not hold; the
// sanitizers then print where it happened.
[[noreturn]] void PropertyFailed(const char* what);

} // namespace velnorix::fuzzing
