#include "engine/run_model.h"

#include "probes/http/url_parts.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace velnorix {

TestType TestTypeOf(std::string_view tag) {
    if (tag == kTagHtml)
        return TestType::Html;
    if (tag == kTagPing)
        return TestType::Ping;
    if (tag == kTagPop3)
        return TestType::Pop3;
    if (tag == kTagSmtp)
        return TestType::Smtp;
    return TestType::Unknown;
}

std::string TargetEntry::ShownAddr() const {
    return WithPasswordHidden(Addr);
}

std::int32_t DefaultPort(TestType type) {
    switch (type) {
    case TestType::Html:
        return 80;
    case TestType::Pop3:
        return 110;
    case TestType::Smtp:
        return 25;
    case TestType::Ping:
    case TestType::Unknown:
        break;
    }
    return 0;
}

std::string_view TagOf(TestType type) {
    switch (type) {
    case TestType::Html:
        return kTagHtml;
    case TestType::Ping:
        return kTagPing;
    case TestType::Pop3:
        return kTagPop3;
    case TestType::Smtp:
        return kTagSmtp;
    case TestType::Unknown:
        break;
    }
    return {};
}

RunModel::RunModel() : TargetTable(kInitialTableLength) {}

void RunModel::ResetTargets() {
    std::fill(TargetTable.begin(), TargetTable.end(), TargetEntry{});
}

void RunModel::EnsureTableHolds(std::int32_t count) {
    const auto wanted = static_cast<std::size_t>(std::max<std::int32_t>(count, 1));
    if (TargetTable.size() < wanted)
        TargetTable.resize(wanted);
}

void RunModel::ResizeAndResetTable(std::int32_t length) {
    TargetTable.assign(static_cast<std::size_t>(std::max<std::int32_t>(length, 1)), TargetEntry{});
}

void RunModel::SetTargetCount(std::int32_t count) {
    TargetCount = std::max<std::int32_t>(count, 0);
    EnsureTableHolds(TargetCount);
}

const TargetEntry& RunModel::Target(std::int32_t index) const {
    if (index < 0 || index >= TargetCount)
        throw std::out_of_range("target index out of range");
    return TargetTable[static_cast<std::size_t>(index)];
}

TargetEntry& RunModel::Target(std::int32_t index) {
    return const_cast<TargetEntry&>(std::as_const(*this).Target(index));
}

} // namespace velnorix
