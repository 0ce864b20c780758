#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rf::sim {

using Micros = std::chrono::microseconds;

// One fault switch: on for the next `count` replies, or until a time, or both.
struct FaultSwitch {
    int count = 0;
    Micros until{0};
    bool active(Micros now) const { return count > 0 || now < until; }
    // Uses one count if the switch is on; true when it was.
    bool take(Micros now) {
        if (count > 0) {
            --count;
            return true;
        }
        return now < until;
    }
    void off() { *this = {}; }
};

// Faults on demand, by name. Reply faults act on the replies to come; the
// others change what the recorder reports until switched off.
struct Faults {
    // Replies.
    FaultSwitch noReply;     // "noreply": no answer at all
    FaultSwitch loneAck;     // "loneack": a single ACK instead of the reply
    FaultSwitch badFirst;    // "badfirst": the reply begins with NAK instead of ACK
    FaultSwitch errorReply;  // "error": ACK STX "ER.." ETX
    FaultSwitch wrongCode;   // "wrongcode": the reply carries another reply code
    FaultSwitch slow;        // "slow": the reply comes after 6 seconds
    FaultSwitch split;       // "split": the reply comes byte by byte, 20 ms apart
    FaultSwitch stale;       // "stale": stray bytes follow the reply 100 ms later
    FaultSwitch levelRange;  // "levelrange": level blocks carry an item out of range
    // Reported state.
    bool frZero = false;         // "fr0": "$FR" answers 0
    bool sqError = false;        // "sqerr": "$SQ" answers with an error reply
    bool dqError = false;        // "dqerr": "$DQ" answers with an error reply
    bool tcStuck = false;        // "tcstuck": the time code never rolls over midnight
    bool remainUnknown = false;  // "remainff": the remaining time stays "FF"
    bool lowTape = false;        // "lowtape": a tape goes in 90 seconds before its end
    bool ejectJam = false;       // "ejectjam": EJECT is taken but the tape stays in
    bool damage = false;         // "damage": the tape under the heads has a damaged stretch
    // The level curves while recording (every record head; levels relative to
    // the level at the default values, which stays as it is).
    bool curveFlat = false;   // "curveflat": the level does not follow the setting
    bool curveFalls = false;  // "curvefalls": the level only falls as the setting rises
    bool curveTwice = false;  // "curvetwice": it rises through the thresholds twice
    bool curveLow = false;    // "curvelow": it rises to 0.56 of the reference only
    bool zeroRef = false;     // "refzero": the level at the default values is 0

    // Names of every switch, for front panels and help texts.
    static const std::vector<std::pair<std::string, std::string>>& catalogue();
    // The reply switch of a name, or nullptr.
    FaultSwitch* replySwitch(const std::string& name);
    bool* stateSwitch(const std::string& name);
};

}  // namespace rf::sim
