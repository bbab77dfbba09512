#include "property_failed.h"

#include <cstdio>
#include <cstdlib>

namespace velnorix::fuzzing {

void PropertyFailed(const char* what) {
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

} // namespace velnorix::fuzzing
