#pragma once

#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "sim/recorder.h"

namespace rf::sim {

// What a front panel shows of the recorder at one moment.
struct PanelState {
    sim::Mode mode = sim::Mode::Empty;
    std::string statusCode;           // what "QOD:11" reports, e.g. "A0"
    std::optional<std::string> tape;  // the tape in, threading included
    double position = 0;              // seconds from the beginning of the tape
    double length = 0;                // seconds of tape
    // The remaining time the recorder reports; nothing while it answers "FF".
    std::optional<double> remaining;
    bool remote = true;
    bool autoChanger = false;
    std::string id;
    std::string induce;       // three blanks while it has none
    bool adjustMode = false;  // between "$SA" and "$ND"
    double drumHours = 0;     // the drum hours meter ("QHR"), unrounded
    int wearAge = 0;          // the heads' age: whole hours beyond the starting hours
};

// The time-driven recorder model run against the steady clock on Qt's event
// loop: the real-time front end shared by the "SIM" port and vtrsim. Bytes go
// in with the time they have fully arrived; every output leaves at its own
// time, in the order the recorder produced it, through one precise timer; a
// second timer wakes the model when it has something to say unasked (a search
// that ends). Everything runs on the thread of the QCoreApplication.
class RealTimeRecorder {
  public:
    // Where outputs go when their time comes: bytes on the line, or a
    // communication event (Output::event != 0).
    using Sink = std::function<void(const sim::Output&)>;
    // Runs a callback from Qt's dispatch without letting an exception through
    // (the Qt platform's guardedCall). The default runs it as it is: the
    // callbacks then must not throw.
    using Guard = std::function<void(const char* what, const std::function<void()>& callback)>;
    using Observer = std::function<void()>;
    using ObserverId = int;

    explicit RealTimeRecorder(sim::RecorderConfig config = {}, Guard guard = {});
    RealTimeRecorder(const RealTimeRecorder&) = delete;
    RealTimeRecorder& operator=(const RealTimeRecorder&) = delete;
    ~RealTimeRecorder();

    // Time since the recorder was switched on: the model's clock.
    sim::Micros now() const;

    void setSink(Sink sink) { sink_ = std::move(sink); }
    // Bytes from the tool, the last of them arrived at `complete`.
    void input(std::string_view bytes, sim::Micros complete);
    // A communication event on the line now (platform::comm codes).
    void lineEvent(int code);

    // The front panel: runs `change` on the recorder at the present time, then
    // re-arms the wake-up and tells the observers. Every change made from
    // outside the line goes through here.
    void panel(const std::function<void(sim::Recorder& recorder, sim::Micros now)>& change);
    PanelState state();

    // Called after every command the recorder handled, every unasked message
    // and every front-panel change. What changes with time alone (threading
    // finishes, the changer offers the next tape, the tape runs on) is not
    // announced: a panel that shows it refreshes on a timer as well.
    ObserverId watch(Observer observer);
    void unwatch(ObserverId id);

    // The model itself, to read. Changes go through panel().
    sim::Recorder& recorder() { return recorder_; }
    // Outputs produced but not yet due.
    std::size_t pending() const { return pending_.size(); }

  private:
    void schedule(std::vector<sim::Output> outputs);
    void deliverDue();
    void armDelivery();
    void armWake();
    void changed();
    void guarded(const char* what, const std::function<void()>& callback);

    sim::Recorder recorder_;
    Guard guard_;
    Sink sink_;
    std::chrono::steady_clock::time_point start_;
    std::deque<sim::Output> pending_;  // in the order they leave
    QTimer delivery_;
    QTimer wake_;
    std::vector<std::pair<ObserverId, Observer>> observers_;
    ObserverId nextObserver_ = 1;
    // Goes with the recorder, so a callback that destroys its recorder ends
    // the delivery loop instead of running on freed memory.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The built-in simulated recorder behind the port name "SIM": a recorder (seed
// 1, identification QT7310, induce code DMO, automatic tape changer on) hosted
// in the program and run in real time, so the tool works without a recorder or
// a second program, and a new user is not asked for an induce code. Every
// output reaches the comm handler as Receive (or as its event code) through
// the platform's guarded call, the way a QtSerialPort reports. The recorder
// keeps running while the port is closed; what it sends then is lost, as on a
// line nobody listens to.
class QtSimPort final : public platform::SerialPort {
  public:
    static constexpr const char* PortName = "SIM";

    explicit QtSimPort(platform::Platform& platform);
    ~QtSimPort() override;

    const std::string& name() const override { return name_; }
    // Takes any settings; the recorder's line time stays that of 9600 baud.
    void open(const platform::PortSettings& settings) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void discardInput() override { buffer_.clear(); }
    // A write goes to the recorder at once: nothing waits to be discarded.
    void discardOutput() override {}
    void write(std::string_view bytes) override;
    std::string readAll() override;
    void setCommHandler(std::function<void(int)> handler) override {
        handler_ = std::move(handler);
    }

    // The recorder behind the port, for a front-panel window: it may keep a
    // share and outlive the port (the port then no longer hears from it).
    const std::shared_ptr<RealTimeRecorder>& host() const { return host_; }
    sim::Recorder& recorder() { return host_->recorder(); }

    // Hands each new port's recorder to a front panel.
    using Created = std::function<void(const std::shared_ptr<RealTimeRecorder>& host)>;
    // What a platform registers under PortName to make this port: every port
    // it makes is handed, by its recorder, to `created` when one is given.
    static std::function<std::unique_ptr<platform::SerialPort>(platform::Platform&)> factory(
        Created created = {});

  private:
    void arrive(const sim::Output& output);
    void report(int event);

    std::string name_ = PortName;
    std::shared_ptr<RealTimeRecorder> host_;
    bool open_ = false;
    std::string buffer_;
    std::function<void(int)> handler_;
};

}  // namespace rf::sim
