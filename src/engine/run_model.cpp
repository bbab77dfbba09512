#include "engine/run_model.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace velnorix {
namespace {

void CheckIndex(std::int32_t index, std::int32_t count) {
    if (index < 0 || index >= count)
        throw std::out_of_range("target index out of range");
}

} // namespace

const TargetSettings& Configuration::Target(std::int32_t index) const {
    CheckIndex(index, TargetCount());
    return Targets[static_cast<std::size_t>(index)];
}

RunModel::RunModel() : Statistics(kInitialTableLength) {}

const TargetSettings& RunModel::Target(std::int32_t index) const {
    return Config.Target(index);
}

TargetSettings& RunModel::Target(std::int32_t index) {
    return const_cast<TargetSettings&>(Config.Target(index));
}

const TargetStatistics& RunModel::StatisticsOf(std::int32_t index) const {
    CheckIndex(index, TargetCount());
    return Statistics[static_cast<std::size_t>(index)];
}

TargetStatistics& RunModel::StatisticsOf(std::int32_t index) {
    return const_cast<TargetStatistics&>(std::as_const(*this).StatisticsOf(index));
}

void RunModel::UseConfiguration(Configuration config) {
    Config = std::move(config);
    if (Statistics.size() < Config.Targets.size())
        Statistics.resize(Config.Targets.size());
}

void RunModel::SetTargetCount(std::int32_t count) {
    Config.Targets.resize(static_cast<std::size_t>(std::max<std::int32_t>(count, 0)));
    if (Statistics.size() < Config.Targets.size())
        Statistics.resize(Config.Targets.size());
}

void RunModel::ResetTargets() {
    std::fill(Config.Targets.begin(), Config.Targets.end(), TargetSettings{});
    std::fill(Statistics.begin(), Statistics.end(), TargetStatistics{});
}

void RunModel::ResetStatistics() {
    Statistics.assign(std::max<std::size_t>(Config.Targets.size(), 1), TargetStatistics{});
}

} // namespace velnorix
