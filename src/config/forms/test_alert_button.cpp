#include "config/forms/test_alert_button.h"

#include "alerts/test_alert.h"
#include "base/clock.h"
#include "engine/host.h"

#include <QMetaObject>
#include <exception>

namespace velnorix {
namespace {

std::string ReportOf(const std::vector<TestAlertOutcome>& outcomes) {
    if (outcomes.empty())
        return "No alert channel is set in the [Alerts] section of the configuration file";
    std::string report;
    for (const TestAlertOutcome& outcome : outcomes)
        report += (report.empty() ? "" : "\n") + OutcomeLine(outcome);
    return report;
}

} // namespace

TestAlertButton::TestAlertButton(std::function<Configuration()> settings, UserPrompts& prompts,
                                 QWidget* parent)
    : QPushButton(QStringLiteral("Send Test Alert"), parent), m_settings(std::move(settings)),
      m_prompts(prompts) {
    connect(this, &QPushButton::clicked, this, &TestAlertButton::Send);
}

TestAlertButton::~TestAlertButton() {
    // Closing while a test is out waits for it: every delivery ends within its transfer
    // time-outs, and the worker must not outlive the configuration it reads. Its report, still
    // queued for this button, is dropped with it.
    if (m_worker.joinable())
        m_worker.join();
}

void TestAlertButton::Send() {
    if (m_worker.joinable())
        return;
    setEnabled(false);
    m_worker = std::thread([this, config = m_settings(), iniFileName = m_iniFileName] {
        std::string report;
        try {
            SystemClock clock;
            report = ReportOf(SendTestAlert(config, iniFileName, clock));
        } catch (const std::exception& error) {
            // Thrown out of a thread it would end the program.
            report = std::string("The test alert failed: ") + error.what();
        }
        QMetaObject::invokeMethod(
            this, [this, report = std::move(report)] { Report(report); }, Qt::QueuedConnection);
    });
}

void TestAlertButton::Report(const std::string& report) {
    // The worker's last act was queuing this report, so it ends at once.
    m_worker.join();
    setEnabled(true);
    m_prompts.ShowInformation(report);
}

} // namespace velnorix
