#include "platform/virtual/virtual_platform.h"

#include <chrono>

#include "core/errors.h"

namespace rf::platform::virt {

namespace {

class VirtualTimer final : public Timer {
  public:
    explicit VirtualTimer(Scheduler& scheduler) : scheduler_(scheduler) {}
    ~VirtualTimer() override { disarm(); }

    void setInterval(int ms) override {
        interval_ = ms;
        if (enabled_) arm();
    }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override {
        enabled_ = enabled;
        if (enabled_)
            arm();
        else
            disarm();
    }
    bool enabled() const override { return enabled_; }
    void setHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  private:
    void disarm() {
        if (pending_) scheduler_.cancel(*pending_);
        pending_.reset();
    }
    void arm() {
        disarm();
        if (interval_ <= 0) return;  // an interval of 0 never fires
        pending_ = scheduler_.after(std::chrono::milliseconds(interval_), [this] {
            pending_.reset();
            arm();  // periodic until disabled
            if (handler_) handler_();
        });
    }

    Scheduler& scheduler_;
    int interval_ = 0;
    bool enabled_ = false;
    std::optional<Scheduler::Id> pending_;
    std::function<void()> handler_;
};

std::string timeText(Micros t) {
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(t).count()) + " ms";
}

}  // namespace

VirtualPlatform::VirtualPlatform(DateTime start, std::shared_ptr<InstanceRegistry> instances)
    : start_(start),
      instances_(instances ? std::move(instances) : std::make_shared<InstanceRegistry>()),
      dialogs_([this] { return scheduler_.now(); },
               [this](Micros d) { scheduler_.runUntil(scheduler_.now() + d); }) {}

VirtualPlatform::~VirtualPlatform() {
    if (holdsInstance_) instances_->running = false;
}

void VirtualPlatform::doEvents() {
    if (endRequested_) throw ProgramEnd{};
    if (!scheduler_.runDue()) {
        if (scheduler_.empty())
            throw Deadlock("a wait loop has nothing left to wait for at virtual time " +
                           timeText(scheduler_.now()));
        if (*scheduler_.nextTime() > timeLimit_)
            throw Deadlock("a wait loop runs past the virtual time limit of " +
                           timeText(timeLimit_));
        scheduler_.advance();
    }
    if (endRequested_) throw ProgramEnd{};
}

void VirtualPlatform::processPending() {
    if (endRequested_) throw ProgramEnd{};
    scheduler_.runDue();
    if (endRequested_) throw ProgramEnd{};
}

DateTime VirtualPlatform::now() const {
    using namespace std::chrono;
    auto day = sys_days{year{start_.year} / start_.month / start_.day};
    auto t = day + hours{start_.hour} + minutes{start_.minute} + seconds{start_.second} +
             duration_cast<seconds>(scheduler_.now());
    auto dp = floor<days>(t);
    year_month_day ymd{dp};
    hh_mm_ss hms{t - dp};
    return {int(ymd.year()),          int(unsigned(ymd.month())), int(unsigned(ymd.day())),
            int(hms.hours().count()), int(hms.minutes().count()), int(hms.seconds().count())};
}

std::unique_ptr<Timer> VirtualPlatform::createTimer() {
    return std::make_unique<VirtualTimer>(scheduler_);
}

std::unique_ptr<SerialPort> VirtualPlatform::createSerialPort(const std::string& portName) {
    return std::make_unique<VirtualSerialPort>(*this, portName);
}

bool VirtualPlatform::acquireSingleInstance() {
    if (holdsInstance_) return true;
    if (instances_->running) return false;
    instances_->running = holdsInstance_ = true;
    return true;
}

void VirtualPlatform::refuseOpen(int errorNumber, std::string reason, int count) {
    refusal_ = Refusal{errorNumber, std::move(reason), count};
}

}  // namespace rf::platform::virt
