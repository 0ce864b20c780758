// The front panel window of the built-in simulated recorder, on the offscreen
// platform: it shows the recorder and its buttons act on it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "panel_command.h"
#include "platform/qt/qt_platform.h"
#include "qt_event_wait.h"
#include "sim/panel/front_panel.h"
#include "sim/realtime/qt_sim_port.h"

namespace {

using rf::platform::qt::QtPlatform;
using rf::sim::QtSimPort;
using rf::sim::RealTimeRecorder;

QPushButton* button(QWidget& w, const QString& text) {
    for (auto* b : w.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

TEST(FrontPanel, ShowsTheRecorderAndActsOnIt) {
    QtPlatform platform{"rfadjust-front-panel-test-" + std::to_string(::getpid()) + ".lock"};
    auto host = std::make_shared<RealTimeRecorder>();
    rf::sim::FrontPanel panel(host);
    panel.show();
    auto* answer = panel.findChild<QLabel*>("answer");
    ASSERT_NE(answer, nullptr);

    panel.command("insert BLANK");
    const auto labels = panel.findChildren<QLabel*>();
    EXPECT_TRUE(
        std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "BLANK"; }));
    panel.command("fault error 3");
    EXPECT_EQ(answer->text().toStdString(), "fault error on for the next 3 replies");

    ASSERT_NE(button(panel, "Eject"), nullptr);
    button(panel, "Eject")->click();
    EXPECT_FALSE(host->state().tape.has_value());

    QCheckBox* remote = nullptr;
    for (auto* c : panel.findChildren<QCheckBox*>())
        if (c->text().startsWith("REMOTE")) remote = c;
    ASSERT_NE(remote, nullptr);
    EXPECT_TRUE(remote->isChecked());
    remote->click();
    EXPECT_FALSE(host->state().remote);

    panel.findChild<QLineEdit*>()->setText("XY");
    button(panel, "Set induce")->click();
    EXPECT_EQ(host->recorder().induce(), "XY ");

    button(panel, "Age")->click();  // 500 hours of running tape
    EXPECT_EQ(host->state().wearAge, 500);
    EXPECT_EQ(answer->text().toStdString(),
              "aged by 500 h: drum hours 123900, the heads 500 h old");
}

TEST(FrontPanel, OnSwitchesEveryFaultAndALineEventReachesThePortAsItsCode) {
    QtPlatform platform{"rfadjust-front-panel-test-" + std::to_string(::getpid()) + ".lock"};
    std::shared_ptr<RealTimeRecorder> host;
    platform.registerPort(QtSimPort::PortName,
                          QtSimPort::factory([&](const auto& created) { host = created; }));
    auto port = platform.createSerialPort("SIM");
    ASSERT_NE(host, nullptr);
    std::vector<int> events;
    port->setCommHandler([&](int event) { events.push_back(event); });
    port->open({});
    rf::sim::FrontPanel panel(host);
    auto* fault = panel.findChild<QComboBox*>("fault");
    auto* answer = panel.findChild<QLabel*>("answer");
    ASSERT_TRUE(fault && answer && button(panel, "On"));
    for (int i = 0; i < fault->count(); ++i) {
        fault->setCurrentIndex(i);
        const std::string name = fault->currentData().toString().toStdString();
        events.clear();
        button(panel, "On")->click();
        EXPECT_FALSE(answer->text().startsWith("?"))
            << name << ": " << answer->text().toStdString();
        if (const int code = rf::sim::vtrsim::lineEventCode(name)) {
            ASSERT_TRUE(rf::testing::pumpUntil(platform, [&] { return !events.empty(); })) << name;
            EXPECT_EQ(events, std::vector<int>{code}) << name;
        }
    }
}

}  // namespace
