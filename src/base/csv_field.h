#pragma once

#include <string>
#include <string_view>

namespace velnorix {

// Appends one RFC 4180 field: quoted when it holds a comma, a double quote or a line break,
// its double quotes then doubled.
void AppendCsvField(std::string& line, std::string_view field);

} // namespace velnorix
