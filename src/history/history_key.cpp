#include "history/history_key.h"

namespace velnorix {

std::string HistoryKeyOf(const TargetSettings& target) {
    return target.Type + '\t' + target.ShownAddr() + '\t' + std::to_string(target.Port) + '\t' +
           target.User;
}

} // namespace velnorix
