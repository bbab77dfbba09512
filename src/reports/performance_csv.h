#pragma once

#include "reports/performance_rows.h"

#include <string>
#include <vector>

namespace velnorix {

// The performance table as RFC 4180 CSV: the column headers, then every row, each line ended
// by CR LF. The blanks that align the window's columns are left out; a field holding a comma,
// a double quote or a line break is quoted, its double quotes doubled.
std::string PerformanceCsv(const std::vector<PerformanceRow>& rows);

} // namespace velnorix
