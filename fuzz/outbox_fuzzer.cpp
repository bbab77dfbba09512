// Arbitrary contents of the alert outbox file, which survives restarts and so may be damaged or
// edited: reading it never fails, and what it yields is written and read back unchanged.
#include "alerts/outbox_file.h"
#include "property_failed.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace velnorix;
using fuzzing::PropertyFailed;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<OutboxEntry> entries = ReadOutboxText(text);
    for (const OutboxEntry& entry : entries)
        if (entry.Message.Changes.empty())
            PropertyFailed("an entry without a change was kept");
    if (ReadOutboxText(OutboxText(entries)) != entries)
        PropertyFailed("the outbox did not read back as written");
    return 0;
}
