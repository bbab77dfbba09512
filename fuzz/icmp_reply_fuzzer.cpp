// A datagram from the network, as the echo probe's raw socket delivers it (IP header first),
// read as a possible answer to one fixed request of ours.
#include "probes/icmp_packet.h"
#include "probes/probe_errors.h"
#include "property_failed.h"

#include <algorithm>
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
    EchoQuestion question;
    question.Target = {127, 0, 0, 1};
    question.Identifier = 0x3412; // the seeds carry bytes 12 34
    question.Sequence = 3489;
    try {
        const std::optional<IcmpDatagram> answer = ReadAnswer(datagram, question);
        if (!answer)
            return 0;
        const std::size_t header = static_cast<std::size_t>(datagram[0] & 0x0f) * 4;
        if (answer->Type != datagram[header])
            fuzzing::PropertyFailed("type read from elsewhere than after the IP header");
        const bool echo = answer->Kind == ReplyStatusKind::Echo;
        if (echo != (answer->Type == 0))
            fuzzing::PropertyFailed("echo kind for another type");
        if (echo && answer->Source != question.Target)
            fuzzing::PropertyFailed("an echo reply from another host taken as the answer");
        if (!echo && answer->Type != 3 && answer->Type != 11)
            fuzzing::PropertyFailed("an error message that ends the wait without an error");
    } catch (const ProbeError&) {
        // A redirect or parameter problem quoting our request: the probe's own failure.
    }
    return 0;
}
