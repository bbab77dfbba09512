#pragma once

#include "engine/configuration.h"

#include <QPushButton>
#include <functional>
#include <string>
#include <thread>

namespace velnorix {

class UserPrompts;

// Sends a test message on every alert channel of the configuration `settings` gives at the
// click, off the GUI thread, and shows each channel's answer. Disabled while the message is out.
class TestAlertButton final : public QPushButton {
    Q_OBJECT

public:
    TestAlertButton(std::function<Configuration()> settings, UserPrompts& prompts, QWidget* parent);
    TestAlertButton(const TestAlertButton&) = delete;
    TestAlertButton& operator=(const TestAlertButton&) = delete;
    ~TestAlertButton() override;

    // Where a relative CA file named in [Alerts] is looked up.
    void SetIniFileName(std::string iniFileName) { m_iniFileName = std::move(iniFileName); }

private:
    void Send();
    void Report(const std::string& report);

    std::function<Configuration()> m_settings;
    UserPrompts& m_prompts;
    std::string m_iniFileName;
    std::thread m_worker;
};

} // namespace velnorix
