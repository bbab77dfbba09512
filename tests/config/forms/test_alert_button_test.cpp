#include "alerts/alert_receivers.h"
#include "config/forms/config_form.h"
#include "forms_test_support.h"
#include "kit/scripted_prompts.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace velnorix {
namespace {

using Kind = kit::ScriptedPrompts::Kind;

TEST(TestAlertButtonTest, SendsTheTestMessageToTheWebhookAndShowsItsAnswer) {
    kit::WebhookReceiver receiver;
    Configuration settings;
    settings.Alerts.Webhook = receiver.Url();
    kit::ScriptedPrompts prompts;
    kit::DialogScript script;
    TVelnorixConfigForm form(nullptr, prompts, script.Runner());
    form.ShowSettings(settings);
    form.show();

    auto& button = kit::Control<QAbstractButton>(form, "SendTestAlertButton");
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_FALSE(button.isEnabled());
    // Bounds a hung delivery only; the answer comes when the worker has it.
    const QDeadlineTimer bound(std::chrono::seconds(60));
    while (prompts.Boxes().empty() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    EXPECT_EQ(prompts.Texts(Kind::Information), std::vector<std::string>{"Webhook: delivered"});
    EXPECT_TRUE(button.isEnabled());
    const std::vector<std::string> bodies = receiver.Bodies();
    ASSERT_EQ(bodies.size(), 1U);
    EXPECT_NE(bodies[0].find("\"type\":\"<Test>\""), std::string::npos) << bodies[0];
}

} // namespace
} // namespace velnorix
