#pragma once

#include "alerts/alert_channel.h"
#include "alerts/curl_transfer.h"
#include "engine/configuration.h"

#include <memory>
#include <vector>

namespace velnorix {

// A channel for each one the settings switch on: mail when a server and a recipient are set,
// the web hook, Alertmanager and the command when theirs is.
std::vector<std::unique_ptr<AlertChannel>> ChannelsFor(const AlertSettings& settings,
                                                       const TransferTrust& trust);

} // namespace velnorix
