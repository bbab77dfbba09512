#include "alerts/channel_set.h"

#include "alerts/command_channel.h"
#include "alerts/mail_channel.h"
#include "alerts/web_channels.h"

#include <filesystem>

namespace velnorix {

TransferTrust AlertTrust(const Configuration& config, const std::string& iniFileName) {
    const std::filesystem::path bundle(config.CAFile);
    if (bundle.empty() || bundle.is_absolute())
        return {config.CAFile};
    return {(std::filesystem::path(iniFileName).parent_path() / bundle).string()};
}

std::vector<std::unique_ptr<AlertChannel>> ChannelsFor(const AlertSettings& settings,
                                                       const TransferTrust& trust) {
    std::vector<std::unique_ptr<AlertChannel>> channels;
    if (!settings.Mail.empty() && !settings.MailServer.empty())
        channels.push_back(std::make_unique<MailChannel>(settings, trust));
    if (!settings.Webhook.empty())
        channels.push_back(std::make_unique<WebhookChannel>(settings.Webhook, trust));
    if (!settings.Alertmanager.empty())
        channels.push_back(std::make_unique<AlertmanagerChannel>(settings.Alertmanager, trust));
    if (!settings.Command.empty())
        channels.push_back(std::make_unique<CommandChannel>(settings.Command));
    return channels;
}

} // namespace velnorix
