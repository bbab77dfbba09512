#include "reports/performance_csv.h"

#include "base/csv_field.h"

#include <string_view>

namespace velnorix {
namespace {

std::string_view WithoutBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

template <typename Fields>
void AppendRecord(std::string& text, const Fields& fields) {
    bool first = true;
    for (const auto& field : fields) {
        if (!first)
            text += ',';
        first = false;
        AppendCsvField(text, WithoutBlanks(field));
    }
    text += "\r\n";
}

} // namespace

std::string PerformanceCsv(const std::vector<PerformanceRow>& rows) {
    std::string text;
    AppendRecord(text, kPerformanceColumns);
    for (const PerformanceRow& row : rows)
        AppendRecord(text, row);
    return text;
}

} // namespace velnorix
