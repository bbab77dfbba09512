// A datagram from the network, as the echo probe's raw socket delivers it (IP header first).
#include "probes/icmp_packet.h"
#include "probes/probe_errors.h"
#include "quiet_host.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

using namespace velnorix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so a read one byte past the datagram is caught.
    const auto copy = std::make_unique<std::uint8_t[]>(size);
    std::copy_n(data, size, copy.get());
    const std::span<const std::uint8_t> datagram(copy.get(), size);
    try {
        const IcmpDatagram read = ClassifyIcmpDatagram(datagram);
        const std::size_t header = static_cast<std::size_t>(datagram[0] & 0x0f) * 4;
        if (read.Type != datagram[header])
            fuzzing::PropertyFailed("type read from elsewhere than after the IP header");
        const bool echo = read.Kind == ReplyStatusKind::Echo;
        if (echo != (read.Type == 0 || read.Type == 8))
            fuzzing::PropertyFailed("echo kind for another type");
        if (echo && !read.Sequence)
            fuzzing::PropertyFailed("an echo without its sequence number");
    } catch (const ProbeError&) {
        // Too short, or a type the probe does not take: both are the probe's own failures.
    }
    return 0;
}
