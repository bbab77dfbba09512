#pragma once

#include "probes/http/response_rules.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velnorix {

// The connection as the body reader sees it.
class BodySource {
public:
    virtual ~BodySource() = default;
    // The next line without its line end; nothing when the peer closed first.
    virtual std::optional<std::string> ReadLine() = 0;
    // Reads and drops `count` bytes; false when the peer closed first.
    virtual bool DiscardExactly(std::size_t count) = 0;
    // Reads and drops whatever arrives next; how many bytes, 0 once the peer has closed.
    virtual std::size_t DiscardAvailable() = 0;
};

enum class DrainOutcome { Complete, PeerClosed, TooLong };

// The size on a chunk's first line (hexadecimal, extensions after ";" ignored).
// Throws NumberConversionError when it is not one.
std::uint64_t ParseChunkSize(std::string_view line);

// Reads the body and drops it, never holding more than one line of it. Gives up with TooLong
// once more than `maxBytes` would have been consumed. A body that ends with the peer's
// closing is Complete when its framing is BodyEnd::Close.
DrainOutcome DrainBody(BodySource& source, const BodyFraming& framing, std::uint64_t maxBytes);

} // namespace velnorix
