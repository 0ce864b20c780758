#include "sim/transport.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "sim/timecode.h"

namespace rf::sim {

namespace {
double seconds(Micros d) {
    return static_cast<double>(d.count()) / 1e6;
}
Micros micros(double s) {
    return Micros{static_cast<std::int64_t>(std::ceil(s * 1e6))};
}
}  // namespace

Transport::Transport(std::vector<Tape> library) : library_(std::move(library)) {}

double Transport::speed() const {
    switch (mode_) {
        case Mode::Play:
        case Mode::Rec:
            return PlaySpeed;
        case Mode::FF:
            return ShuttleSpeed;
        case Mode::Rew:
            return -ShuttleSpeed;
        case Mode::Search: {
            const double pos = library_[*loaded_].position;
            return searchTarget_ >= pos ? ShuttleSpeed : -ShuttleSpeed;
        }
        default:
            return 0;
    }
}

double Transport::position() const {
    return loaded_ ? library_[*loaded_].position : 0;
}

void Transport::advance(Micros now) {
    while (last_ < now) {
        if (pending_ && pending_->second <= last_) {
            const Mode target = pending_->first;
            pending_.reset();
            enter(target, last_);
            continue;
        }
        // Nothing changes of itself before a commanded change takes over.
        const Micros until = pending_ ? std::min(now, pending_->second) : now;
        if (mode_ == Mode::Loading) {
            const Micros done = modeSince_ + micros(LoadSeconds);
            if (done <= until) {
                last_ = done;
                mode_ = Mode::Stop;
                modeSince_ = done;
                drumReady_ = done;  // the drum ran up while the tape threaded
                continue;
            }
        } else if (mode_ == Mode::Empty) {
            if (changeAt_ && *changeAt_ <= until) {
                const Micros at = std::max(*changeAt_, last_);
                last_ = at;
                insertIndex(nextOffer_, at);
                continue;
            }
        } else if (const double v = speed(); v != 0) {
            Tape& t = *current();
            const double limit = mode_ == Mode::Search ? searchTarget_ : (v > 0 ? t.length : 0.0);
            const double toLimit = std::max(0.0, (limit - t.position) / v);
            const double dt = seconds(until - last_);
            if (toLimit <= dt) {
                const Micros at = std::max(last_, last_ + micros(toLimit));
                moved_ += std::abs(limit - t.position);
                running_ += toLimit;
                t.position = limit;
                last_ = at;
                if (mode_ == Mode::Search) searchDone_ = {at, searchFound_};
                closeRecording();
                mode_ = Mode::Stop;
                modeSince_ = at;
                continue;
            }
            t.position += v * dt;
            moved_ += std::abs(v * dt);
            running_ += dt;
        }
        last_ = until;
    }
}

bool Transport::insert(const std::string& name, Micros now) {
    advance(now);
    if (loaded_) return false;
    for (std::size_t i = 0; i < library_.size(); ++i)
        if (library_[i].name == name) {
            insertIndex(i, now);
            return true;
        }
    return false;
}

void Transport::insertIndex(std::size_t index, Micros now) {
    loaded_ = index % library_.size();
    nextOffer_ = (*loaded_ + 1) % library_.size();
    mode_ = Mode::Loading;
    modeSince_ = now;
    pending_.reset();
    drumReady_.reset();
    moved_ = 0;
    changeAt_.reset();
}

void Transport::setAutoChanger(bool on, Micros now) {
    advance(now);
    autoChanger_ = on;
    if (!on) changeAt_.reset();
    if (on && !loaded_ && !changeAt_) changeAt_ = now + micros(ChangeSeconds);
}

void Transport::windToEnd(double secondsLeft) {
    if (Tape* t = current()) t->position = std::max(0.0, t->length - secondsLeft);
}

void Transport::openRecording(Micros now) {
    Segment s = settings_ ? settings_() : Segment{};
    s.start = s.end = current()->position;
    s.tcStart = generator(now);
    s.reference = false;
    recording_ = s;
}

void Transport::closeRecording() {
    if (!recording_) return;
    Segment s = *recording_;
    recording_.reset();
    s.end = current()->position;
    current()->record(s);
}

void Transport::splitRecording(Micros now) {
    advance(now);
    if (mode_ != Mode::Rec) return;
    closeRecording();
    openRecording(now);
}

void Transport::enter(Mode target, Micros at) {
    if (target != Mode::Rec) closeRecording();
    const bool recording = mode_ == Mode::Rec;
    mode_ = target;
    modeSince_ = at;
    if (target == Mode::Rec && !recording) openRecording(at);
}

bool Transport::change(Mode target, Micros now) {
    advance(now);
    if (!tape() || mode_ == Mode::Loading) return false;
    if (mode_ == target) {
        pending_.reset();
        return true;
    }
    if (pending_ && pending_->first == target) return true;  // already on its way
    const bool servo = target == Mode::Play || target == Mode::Rec;
    Micros at = now + micros(servo ? LockSeconds : ChangeOverSeconds);
    if (target != Mode::Stop) {
        // Tape moves only round a spinning drum: from standby off it spins up first.
        standbyOn_ = true;
        if (!drumReady_) drumReady_ = now + micros(SpinUpSeconds);
        at = std::max(at, *drumReady_);
    }
    pending_ = {target, at};
    return true;
}

bool Transport::play(Micros now) {
    return change(Mode::Play, now);
}

bool Transport::record(Micros now) {
    advance(now);
    if (tape() && tape()->writeProtected()) return false;
    return change(Mode::Rec, now);
}

bool Transport::stop(Micros now) {
    advance(now);
    if (!tape() || mode_ == Mode::Loading) return true;
    return change(Mode::Stop, now);
}

bool Transport::fastForward(Micros now) {
    return change(Mode::FF, now);
}

bool Transport::rewind(Micros now) {
    return change(Mode::Rew, now);
}

bool Transport::eject(Micros now) {
    advance(now);
    if (!loaded_) return true;
    closeRecording();
    loaded_.reset();
    pending_.reset();
    drumReady_.reset();
    mode_ = Mode::Empty;
    modeSince_ = now;
    if (autoChanger_) changeAt_ = now + micros(ChangeSeconds);
    return true;
}

bool Transport::standby(bool on, Micros now) {
    advance(now);
    standbyOn_ = on;
    if (!on && (mode_ == Mode::Stop || (pending_ && pending_->first == Mode::Stop))) {
        pending_.reset();
        closeRecording();
        mode_ = Mode::StandbyOff;
        modeSince_ = now;
        drumReady_.reset();  // the drum stops
    }
    if (on && mode_ == Mode::StandbyOff) {
        mode_ = Mode::Stop;
        modeSince_ = now;
        drumReady_ = now + micros(SpinUpSeconds);
    }
    return true;
}

std::pair<double, bool> Transport::searchGoal(std::int64_t tc) const {
    const Tape& t = *tape();
    // The time code under the head says which way to go; off the recorded
    // tape, the last one the head passed does.
    auto here = t.timecodeAt(t.position);
    if (!here) here = t.timecodeBefore(t.position);
    const bool forward = !here || tc > *here;
    if (auto at = t.find(tc, t.position, forward)) return {*at, true};
    // Not there: the transport runs to the end of the tape and gives up.
    return {forward ? t.length : 0.0, false};
}

bool Transport::search(std::int64_t tc, Micros now) {
    advance(now);
    if (!tape() || mode_ == Mode::Loading) return false;
    closeRecording();
    pending_.reset();
    std::tie(searchTarget_, searchFound_) = searchGoal(tc);
    mode_ = Mode::Search;
    modeSince_ = now;
    if (searchTarget_ == tape()->position) {
        mode_ = Mode::Stop;
        searchDone_ = {now, searchFound_};
    }
    return true;
}

const Segment* Transport::segmentBehind(double behind) const {
    const Tape* t = tape();
    if (!t) return nullptr;
    const double at = t->position - behind;
    if (recording_ && at >= recording_->start) return &*recording_;
    return t->segmentAt(at);
}

std::optional<std::pair<Micros, bool>> Transport::takeSearchResult(Micros now) {
    advance(now);
    if (!searchDone_ || searchDone_->first > now) return std::nullopt;
    return std::exchange(searchDone_, std::nullopt);
}

std::optional<Micros> Transport::nextSearchEnd() const {
    if (searchDone_) return searchDone_->first;
    if (mode_ != Mode::Search) return std::nullopt;
    const double distance = std::abs(searchTarget_ - library_[*loaded_].position);
    return last_ + micros(distance / ShuttleSpeed);
}

std::string Transport::statusCode() const {
    switch (mode_) {
        case Mode::Empty:
            return "00";
        case Mode::Loading:
            return "10";
        case Mode::Stop:
            return "A0";
        case Mode::StandbyOff:
            return "20";
        case Mode::Play:
            return "81";
        case Mode::Rec:
            return "83";
        case Mode::FF:
            return "84";
        case Mode::Rew:
            return "88";
        case Mode::Search:
            return speed() > 0 ? "84" : "88";
    }
    return "00";
}

void Transport::presetGenerator(std::int64_t frames, Micros now) {
    advance(now);
    presetFrames_ = frames;
    presetAt_ = now;
    splitRecording(now);
}

std::int64_t Transport::generator(Micros now) const {
    const std::int64_t run =
        presetFrames_ +
        static_cast<std::int64_t>(std::floor(seconds(now - presetAt_) * FramesPerSecond));
    if (generatorStuck_ && run >= FramesPerDay) return FramesPerDay - 1;
    return wrapFrames(run);
}

std::int64_t Transport::readerTimecode(Micros now) {
    advance(now);
    if (mode_ == Mode::Rec) {
        lastRead_ = generator(now);
    } else if (const Tape* t = tape()) {
        if (auto tc = t->timecodeAt(t->position)) lastRead_ = *tc;
    }
    return lastRead_;
}

std::optional<double> Transport::remaining() const {
    const Tape* t = tape();
    if (!t || mode_ == Mode::Loading || remainStuck_ || moved_ < RemainLearnSeconds)
        return std::nullopt;
    return std::max(0.0, t->length - t->position);
}

}  // namespace rf::sim
