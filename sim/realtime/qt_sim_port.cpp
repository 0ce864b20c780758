#include "sim/realtime/qt_sim_port.h"

#include <algorithm>
#include <utility>

#include "core/errors.h"
#include "platform/qt/guarded_call.h"

namespace rf::sim {

namespace {

// Milliseconds until `at`, rounded up so that a timer never fires before the
// output is due.
int msUntil(sim::Micros at, sim::Micros now) {
    if (at <= now) return 0;
    return static_cast<int>((at - now + sim::Micros{999}).count() / 1000);
}

}  // namespace

RealTimeRecorder::RealTimeRecorder(sim::RecorderConfig config, Guard guard)
    : recorder_(std::move(config)),
      guard_(std::move(guard)),
      start_(std::chrono::steady_clock::now()) {
    for (QTimer* t : {&delivery_, &wake_}) {
        t->setTimerType(Qt::PreciseTimer);
        t->setSingleShot(true);
    }
    QObject::connect(&delivery_, &QTimer::timeout, &delivery_, [this] { deliverDue(); });
    QObject::connect(&wake_, &QTimer::timeout, &wake_, [this] {
        schedule(recorder_.poll(now()));
        armWake();
        changed();
    });
}

RealTimeRecorder::~RealTimeRecorder() = default;

sim::Micros RealTimeRecorder::now() const {
    return std::chrono::duration_cast<sim::Micros>(std::chrono::steady_clock::now() - start_);
}

void RealTimeRecorder::input(std::string_view bytes, sim::Micros complete) {
    schedule(recorder_.input(bytes, complete));
    armWake();
    changed();
}

void RealTimeRecorder::lineEvent(int code) {
    schedule({recorder_.commEvent(code, now())});
}

void RealTimeRecorder::panel(
    const std::function<void(sim::Recorder& recorder, sim::Micros now)>& change) {
    change(recorder_, now());
    armWake();
    changed();
}

PanelState RealTimeRecorder::state() {
    PanelState s;
    s.statusCode = recorder_.status(now());  // brings the transport up to now
    sim::Transport& t = recorder_.transport();
    s.mode = t.mode();
    if (const sim::Tape* tape = t.tape()) {
        s.tape = tape->name;
        s.position = tape->position;
        s.length = tape->length;
    }
    s.remaining = t.remaining();
    s.remote = recorder_.remote();
    s.autoChanger = t.autoChanger();
    s.id = recorder_.id();
    s.induce = recorder_.induce();
    s.adjustMode = recorder_.adjustMode();
    s.drumHours = recorder_.drumHours(now());
    s.wearAge = recorder_.wearAge(now());
    return s;
}

RealTimeRecorder::ObserverId RealTimeRecorder::watch(Observer observer) {
    observers_.emplace_back(nextObserver_, std::move(observer));
    return nextObserver_++;
}

void RealTimeRecorder::unwatch(ObserverId id) {
    std::erase_if(observers_, [id](const auto& o) { return o.first == id; });
}

void RealTimeRecorder::schedule(std::vector<sim::Output> outputs) {
    for (sim::Output& o : outputs) {
        // After everything due at the same time or earlier: outputs of one
        // time leave in the order the recorder made them.
        auto at = std::upper_bound(pending_.begin(), pending_.end(), o.at,
                                   [](sim::Micros t, const sim::Output& p) { return t < p.at; });
        pending_.insert(at, std::move(o));
    }
    armDelivery();
}

void RealTimeRecorder::deliverDue() {
    const std::weak_ptr<bool> alive = alive_;
    while (!pending_.empty() && pending_.front().at <= now()) {
        // Taken off first: the sink may write to the recorder, which schedules more.
        const sim::Output out = std::move(pending_.front());
        pending_.pop_front();
        // A copy of the sink, so one that replaces itself keeps running.
        if (auto sink = sink_) guarded("simulated line", [&] { sink(out); });
        if (alive.expired()) return;
    }
    armDelivery();
}

void RealTimeRecorder::armDelivery() {
    if (pending_.empty()) {
        delivery_.stop();
        return;
    }
    delivery_.start(msUntil(pending_.front().at, now()));
}

void RealTimeRecorder::armWake() {
    const auto at = recorder_.nextWake();
    if (!at) {
        wake_.stop();
        return;
    }
    wake_.start(msUntil(*at, now()));
}

void RealTimeRecorder::changed() {
    // A copy: an observer may watch or unwatch while the list is walked.
    const auto observers = observers_;
    const std::weak_ptr<bool> alive = alive_;
    for (const auto& [id, observer] : observers) {
        guarded("simulated recorder observer", observer);
        if (alive.expired()) return;
    }
}

void RealTimeRecorder::guarded(const char* what, const std::function<void()>& callback) {
    if (guard_)
        guard_(what, callback);
    else
        callback();
}

QtSimPort::QtSimPort(platform::Platform& platform)
    : host_(std::make_shared<RealTimeRecorder>(
          sim::builtInRecorderConfig(),
          [p = &platform](const char* what, const std::function<void()>& callback) {
              platform::qt::guardedCall(*p, what, callback);
          })) {
    host_->setSink([this](const sim::Output& o) { arrive(o); });
}

QtSimPort::~QtSimPort() {
    // A front panel may keep the recorder; it no longer reaches this port.
    host_->setSink({});
}

void QtSimPort::open(const platform::PortSettings&) {
    if (open_) Raise(err::PortAlreadyOpen, name_ + ": the port is already open");
    buffer_.clear();
    open_ = true;
}

void QtSimPort::close() {
    open_ = false;
    buffer_.clear();
}

void QtSimPort::write(std::string_view bytes) {
    if (!open_) Raise(err::PortInvalid, name_ + ": the port is not open");
    // The command is complete once its last character has crossed the line.
    host_->input(bytes, host_->now() + host_->recorder().lineTime(bytes.size()));
}

std::string QtSimPort::readAll() {
    return std::exchange(buffer_, {});
}

std::function<std::unique_ptr<platform::SerialPort>(platform::Platform&)> QtSimPort::factory(
    Created created) {
    return [created = std::move(created)](platform::Platform& platform) {
        auto port = std::make_unique<QtSimPort>(platform);
        if (created) created(port->host());
        return port;
    };
}

void QtSimPort::arrive(const sim::Output& output) {
    if (!open_) return;
    if (output.event != 0) return report(output.event);
    buffer_ += output.bytes;
    report(platform::comm::Receive);
}

void QtSimPort::report(int event) {
    // A copy, so a handler that detaches the port does not destroy the running function.
    auto handler = handler_;
    if (handler) handler(event);
}

}  // namespace rf::sim
