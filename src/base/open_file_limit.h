#pragma once

namespace velnorix {

// Raises the soft limit on open descriptors to the hard one. Services start with a soft limit
// of 1,024, which a large target list with kept web connections, the logs and the metrics
// endpoint's clients could otherwise exhaust.
void RaiseOpenFileLimit();

} // namespace velnorix
