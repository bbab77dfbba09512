// A web target's list of accepted status codes as the configuration gives it. Whatever the
// text, the parser ends; a list it takes accepts exactly the codes its comma-separated items
// accept one by one, and only three-digit codes.
#include "probes/http/status_list.h"
#include "property_failed.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

using namespace velnorix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<StatusList> whole = StatusList::Parse(text);
    std::vector<std::optional<StatusList>> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        items.push_back(StatusList::Parse(text.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    bool allItems = true;
    for (const auto& item : items)
        allItems = allItems && item.has_value();
    if (whole.has_value() != allItems)
        fuzzing::PropertyFailed("a list taken or refused unlike its items");
    if (!whole)
        return 0;
    for (const int code : {0, 99, 1000, -200})
        if (whole->Contains(code))
            fuzzing::PropertyFailed("a code that is not three digits accepted");
    for (int code = 100; code <= 999; ++code) {
        bool inItem = false;
        for (const auto& item : items)
            inItem = inItem || item->Contains(code);
        if (whole->Contains(code) != inItem)
            fuzzing::PropertyFailed("the list accepts a code unlike its items");
    }
    return 0;
}
