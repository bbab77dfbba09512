#pragma once

#include "alerts/alert_channel.h"
#include "alerts/curl_transfer.h"
#include "engine/configuration.h"

#include <memory>
#include <string>
#include <vector>

namespace velnorix {

// A channel for each one the settings switch on: mail when a server and a recipient are set,
// the web hook, Alertmanager and the command when theirs is.
// What the channels trust: the configuration's CAFile, a relative one taken from the folder of
// the configuration file `iniFileName`, as the probes take it.
TransferTrust AlertTrust(const Configuration& config, const std::string& iniFileName);

std::vector<std::unique_ptr<AlertChannel>> ChannelsFor(const AlertSettings& settings,
                                                       const TransferTrust& trust);

} // namespace velnorix
