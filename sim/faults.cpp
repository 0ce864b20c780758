#include "sim/faults.h"

namespace rf::sim {

const std::vector<std::pair<std::string, std::string>>& Faults::catalogue() {
    static const std::vector<std::pair<std::string, std::string>> names = {
        {"noreply", "no answer at all"},
        {"loneack", "a single ACK instead of the reply"},
        {"badfirst", "the reply begins with NAK instead of ACK"},
        {"error", "an error reply (ACK STX \"ER05\" ETX)"},
        {"wrongcode", "a reply with another reply code"},
        {"slow", "the reply comes after 6 seconds (past the time-out)"},
        {"split", "the reply comes byte by byte, 20 ms apart"},
        {"stale", "stray bytes follow the reply 100 ms later"},
        {"levelrange", "level blocks carry an item out of its range"},
        {"fr0", "\"$FR\" answers 0 (old system software on the 7310)"},
        {"sqerr", "\"$SQ\" answers with an error reply"},
        {"dqerr", "\"$DQ\" answers with an error reply"},
        {"tcstuck", "the time code never rolls over midnight"},
        {"remainff", "the remaining time stays \"FF\""},
        {"lowtape", "a tape goes in 90 seconds before its end (too little tape left)"},
        {"ejectjam", "EJECT is acknowledged but the tape stays in (a jammed eject)"},
        {"damage", "60 s of the tape from where it stands are damaged: errors 1000 times worse"},
        {"curveflat", "recording levels do not follow the record settings (no crossing)"},
        {"curvefalls", "recording levels fall as a swept setting rises (no rising crossing)"},
        {"curvetwice", "recording levels rise through the thresholds twice in a sweep"},
        {"curvelow", "recording levels rise to 0.56 of the reference level only"},
        {"refzero", "the recording level at the default record values is 0"},
        {"break", "a break on the line (communication event)"},
        {"framing", "a framing error (communication event)"},
        {"overrun", "an overrun (communication event)"},
        {"parity", "a parity error (communication event)"},
    };
    return names;
}

FaultSwitch* Faults::replySwitch(const std::string& name) {
    if (name == "noreply") return &noReply;
    if (name == "loneack") return &loneAck;
    if (name == "badfirst") return &badFirst;
    if (name == "error") return &errorReply;
    if (name == "wrongcode") return &wrongCode;
    if (name == "slow") return &slow;
    if (name == "split") return &split;
    if (name == "stale") return &stale;
    if (name == "levelrange") return &levelRange;
    return nullptr;
}

bool* Faults::stateSwitch(const std::string& name) {
    if (name == "fr0") return &frZero;
    if (name == "sqerr") return &sqError;
    if (name == "dqerr") return &dqError;
    if (name == "tcstuck") return &tcStuck;
    if (name == "remainff") return &remainUnknown;
    if (name == "lowtape") return &lowTape;
    if (name == "ejectjam") return &ejectJam;
    if (name == "damage") return &damage;
    if (name == "curveflat") return &curveFlat;
    if (name == "curvefalls") return &curveFalls;
    if (name == "curvetwice") return &curveTwice;
    if (name == "curvelow") return &curveLow;
    if (name == "refzero") return &zeroRef;
    return nullptr;
}

}  // namespace rf::sim
