// The recorder's command dispatch and the framing of its replies: characters
// from the line are gathered into commands, each is answered (identity,
// transport, search and the modes; stored adjustment data and measurements
// are handed on to adjustment_data.cpp and measurements.cpp), and the reply is
// put on the line with the line time, turnaround and any injected fault.
#include "sim/recorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/timecode.h"
#include "sim/wire.h"

namespace rf::sim {

using namespace wire;

namespace {

constexpr Micros Turnaround{2000};
constexpr Micros SlowDelay{6'000'000};
constexpr Micros SplitGap{20'000};
constexpr Micros StaleDelay{100'000};

std::string dec2(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n % 100);
    return buf;
}

}  // namespace

Recorder::Recorder(RecorderConfig config)
    : config_(std::move(config)),
      signal_(config_.seed),
      transport_(config_.library),
      noise_(mixSeed(config_.seed, 0x4E4F)) {
    transport_.setSettingsSource([this] { return recordingSettings(); });
    transport_.setAutoChanger(config_.autoChanger, Micros{0});
    setInduce(config_.induce);
}

Micros Recorder::lineTime(std::size_t characters) const {
    return Micros{static_cast<std::int64_t>(characters) * 10'000'000 / config_.baud};
}

std::vector<Output> Recorder::input(std::string_view bytes, Micros now) {
    std::vector<Output> out;
    for (char c : bytes) {
        if (c == Stx) partial_.clear();
        if (c == Stx || !partial_.empty()) partial_ += c;
        if (c != Etx || partial_.empty()) continue;
        const std::string text = partial_.substr(1, partial_.size() - 2);
        partial_.clear();
        transport_.setGeneratorStuck(faults_.tcStuck);
        transport_.setRemainUnknown(faults_.remainUnknown);
        const auto colon = text.find(':');
        const std::string code = text.substr(0, colon);
        const std::string params = colon == std::string::npos ? "" : text.substr(colon + 1);
        auto reply = frame(dispatch(code, params, now), now, text.size() + 2);
        out.insert(out.end(), reply.begin(), reply.end());
    }
    return out;
}

std::vector<Output> Recorder::frame(std::string reply, Micros now, std::size_t) {
    if (reply.empty() || faults_.noReply.take(now)) return {};
    if (faults_.loneAck.take(now))
        reply = std::string{Ack};
    else if (faults_.errorReply.take(now))
        reply = errorReply("05");
    else if (faults_.wrongCode.take(now))
        reply = good("ZZZ");
    else if (faults_.badFirst.take(now))
        reply[0] = Nak;
    Micros start = now + Turnaround;
    if (faults_.slow.take(now)) start += SlowDelay;
    std::vector<Output> out;
    if (faults_.split.take(now)) {
        for (std::size_t i = 0; i < reply.size(); ++i)
            out.push_back(
                {start + lineTime(1) + SplitGap * static_cast<long>(i), reply.substr(i, 1)});
    } else {
        out.push_back({start + lineTime(reply.size()), reply});
    }
    if (faults_.stale.take(now)) out.push_back({out.back().at + StaleDelay, good("OAS00")});
    return out;
}

std::string Recorder::dispatch(const std::string& code, const std::string& params, Micros now) {
    transport_.advance(now);  // whatever came due happens before this command
    noteDamage();
    if (!remote_ && code != "QOD" && code != "QID") return errorReply("02");
    const bool dataCommand = code == "$PR" || code == "$BR" || code == "$DR" || code == "$PS" ||
                             code == "$BS" || code == "$DS" || code == "$RR" || code == "$RS" ||
                             code == "$AR";
    if (dataCommand && !adjMode_) return errorReply("03");

    if (code == "QID") return good(config_.id);
    if (code == "$SQ") {
        if (faults_.sqError) return errorReply("05");
        std::string version = (config_.sysconVersion + "         ").substr(0, 9);
        return good("$SQ:" + version);
    }
    if (code == "$DQ") return faults_.dqError ? errorReply("05") : good("$DI" + induce_);
    if (code == "$DI") {
        setInduce(params);
        return good("$DI");
    }
    if (code == "$FR") {
        transport_.advance(now);  // a tape the changer put in meanwhile counts
        const Tape* t = transport_.tape();
        const int value = faults_.frZero ? 0 : t ? t->format : 1;
        return good(std::string("$FR") + hexDigit(value));
    }
    if (code == "$RM") {
        rmParam_ = params;
        return good("$RM");
    }
    if (code == "CTS") {
        auto tc = parseTimecode(params);
        if (!tc) return errorReply("04");
        transport_.presetGenerator(*tc, now);
        return good("CTS");
    }
    if (code == "$SA") {
        if (params.size() != 4 || !hexValue(params)) return errorReply("04");
        adjMode_ = true;
        selFmt_ = *hexValue(params.substr(1, 1));
        selRpm_ = *hexValue(params.substr(2, 1));
        area_ = *hexValue(params.substr(3, 1)) & 1;
        return good("$SA");
    }
    if (code == "$ND") {
        adjMode_ = false;
        band_.reset();
        return good("$ND");
    }
    if (code == "$KS") {
        if (params.size() != 3 || !hexValue(params)) return errorReply("04");
        if (params[0] == '1')
            band_ = *hexValue(params.substr(1, 1)) == 0 ? 0 : 1;
        else
            band_.reset();
        return good("$KS");
    }
    if (code == "QOD") {
        transport_.advance(now);
        if (params == "01") return good(std::string("OAS0") + (remote_ ? '0' : '1'));
        if (params == "11") return good("OAS" + transport_.statusCode());
        if (params == "81") {
            const Tape* t = transport_.tape();
            return good(std::string("OAS0") + (t && t->mark ? '1' : '0'));
        }
        return errorReply("04");
    }
    if (code == "QHR") {
        if (params == "H") {
            transport_.advance(now);
            auto left = transport_.remaining();
            if (!left) return good("HTRFFFFFF");
            const int s = static_cast<int>(*left);
            return good("HTR" + dec2(s / 3600) + dec2(s / 60 % 60) + dec2(s % 60));
        }
        // The drum hours meter, in whole hours.
        const auto hours =
            std::min<std::int64_t>(static_cast<std::int64_t>(std::floor(drumHours(now))), 999999);
        char meter[8];
        std::snprintf(meter, sizeof meter, "%06d", static_cast<int>(hours));
        return good(std::string("HTR") + meter);
    }
    if (code == "QCD") return good("CD::" + timecodeText(transport_.readerTimecode(now)));
    if (code == "QCS") return good("CTS" + timecodeText(transport_.generator(now)));
    if (code == "SRS") return search(params, now);
    if (code == "$AR") return adjRun(params, now);
    if (code == "$ER") return errorRates(params, now);
    if (code == "$RR") return recReply(params);
    if (code == "$RS") return recWrite(params, now);
    if (code == "$PR" || code == "$BR" || code == "$DR") return levelReply(code, params);
    if (code == "$PS" || code == "$BS" || code == "$DS") return levelWrite(code, params, now);
    return transportCommand(code, now);
}

std::string Recorder::transportCommand(const std::string& code, Micros now) {
    bool ok = true;
    if (code == "OSP")
        ok = transport_.stop(now);
    else if (code == "OPL")
        ok = transport_.play(now);
    else if (code == "ORC")
        ok = transport_.record(now);
    else if (code == "OFF")
        ok = transport_.fastForward(now);
    else if (code == "ORW")
        ok = transport_.rewind(now);
    else if (code == "OEJ")
        ok = faults_.ejectJam || transport_.eject(now);
    else if (code == "OBN")
        ok = transport_.standby(true, now);
    else if (code == "OBF")
        ok = transport_.standby(false, now);
    else if (code != "CTC" && code != "CTL" && code != "CRT")
        return errorReply("01");
    return ok ? good(code) : errorReply("03");
}

std::string Recorder::search(const std::string& params, Micros now) {
    if (params.size() != 9 || (params[0] != 'S' && params[0] != 'L')) return errorReply("04");
    auto tc = parseTimecode(params.substr(1));
    if (!tc || !transport_.search(*tc, now)) return errorReply("03");
    return std::string{Ack};
}

std::vector<Output> Recorder::poll(Micros now) {
    std::vector<Output> out;
    if (auto done = transport_.takeSearchResult(now)) {
        const std::string msg = std::string{Stx} + (done->second ? "SRS:OK" : "SRS:NG") + Etx;
        out.push_back({std::max(now, done->first) + Turnaround + lineTime(msg.size()), msg});
    }
    return out;
}

std::optional<Micros> Recorder::nextWake() const {
    return transport_.nextSearchEnd();
}

bool Recorder::insert(const std::string& tapeName, Micros now) {
    if (!transport_.insert(tapeName, now)) return false;
    if (faults_.lowTape) transport_.windToEnd(90);
    return true;
}

void Recorder::eject(Micros now) {
    transport_.eject(now);
}

double Recorder::drumHours(Micros now) {
    transport_.advance(now);
    return config_.drumHours + static_cast<double>(agedHours_) +
           transport_.runningSeconds() / 3600.0;
}

int Recorder::wearAge(Micros now) {
    transport_.advance(now);
    const double hours = static_cast<double>(agedHours_) + transport_.runningSeconds() / 3600.0;
    return static_cast<int>(std::min(std::floor(hours), 1e9));
}

void Recorder::setAutoChanger(bool on, Micros now) {
    transport_.setAutoChanger(on, now);
}

std::string Recorder::status(Micros now) {
    transport_.advance(now);
    return transport_.statusCode();
}

}  // namespace rf::sim
