#pragma once

#include "engine/target_settings.h"

#include <string>

namespace velnorix {

// What names a target in the history: its type, address, port and user, tab-separated. An edit
// that changes none of them (a password, the sound, a Slow bound) keeps the target's history;
// any other starts a new one. A URL's password is never part of it.
std::string HistoryKeyOf(const TargetSettings& target);

} // namespace velnorix
