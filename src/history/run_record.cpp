#include "history/run_record.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>

namespace rf::history {

namespace {

constexpr std::array<std::string_view, 4> VerdictWords{"pass", "fail", "not measured", "no limit"};
constexpr std::array<std::string_view, 2> QuantityWords{"current", "frequency"};
constexpr std::array<std::string_view, 3> OutcomeWords{"completed", "stopped", "incomplete"};

template <typename Enum, std::size_t N>
std::optional<Enum> lookUp(const std::array<std::string_view, N>& words, std::string_view text) {
    for (std::size_t i = 0; i < N; ++i)
        if (words[i] == text) return static_cast<Enum>(i);
    return std::nullopt;
}

bool isDateTime(std::string_view t) {
    // YYYY-MM-DDTHH:MM:SS
    if (t.size() != 19) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char want = i == 4 || i == 7 ? '-' : i == 10 ? 'T' : i == 13 || i == 16 ? ':' : '0';
        if (want == '0' ? !std::isdigit(static_cast<unsigned char>(t[i])) : t[i] != want)
            return false;
    }
    const auto num = [&](std::size_t at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); };
    return num(5) >= 1 && num(5) <= 12 && num(8) >= 1 && num(8) <= 31 && num(11) <= 23 &&
           num(14) <= 59 && num(17) <= 59;
}

bool isHeadLabel(std::string_view head) {
    return head.empty() || std::find(Heads.begin(), Heads.end(), head) != Heads.end() ||
           std::find(Channels.begin(), Channels.end(), head) != Channels.end();
}

bool oneLine(std::string_view text) {
    return text.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace

std::string levelItemName(int item) {
    constexpr int Vco = 9, TapHigh = 17, TapLow = 23, Taps = 6;
    if (item == Vco) return "VCO";
    if (item >= TapHigh && item < TapHigh + Taps)
        return "EQ high " + std::to_string(item - TapHigh + 1);
    if (item >= TapLow && item < TapLow + Taps)
        return "EQ low " + std::to_string(item - TapLow + 1);
    return "item " + std::to_string(item);
}

std::string recordItemName(int item) {
    return item < 2 ? "record current" : "record frequency";
}

std::string newRunId() {
    static thread_local std::mt19937_64 random{[] {
        std::random_device device;
        return (std::uint64_t{device()} << 32) ^ device();
    }()};
    std::array<unsigned char, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        const std::uint64_t word = random();
        for (std::size_t b = 0; b < 8; ++b)
            bytes[i + b] = static_cast<unsigned char>(word >> (8 * b));
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0f) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3f) | 0x80);  // RFC 4122 variant
    std::string id;
    char hex[3];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        id += hex;
    }
    return id;
}

std::string problemOf(const RunRecord& run) {
    if (run.runId.empty()) return "the run has no run id";
    if (run.recorder.vtrName.empty()) return "the run names no recorder (VtrName)";
    if (!isDateTime(run.dateTime))
        return "the date \"" + run.dateTime + "\" is not YYYY-MM-DDTHH:MM:SS";
    if (std::find(Programmes.begin(), Programmes.end(), run.programme) == Programmes.end())
        return "\"" + run.programme + "\" is not a programme of the tool";
    for (const std::string& block : run.blocks)
        if (block.empty() || !oneLine(block)) return "a block name is empty or breaks the line";
    const auto badHead = [](const std::string& head) {
        return "\"" + head + "\" is not a head (L1, L2, R1, R2) nor a channel (L, R)";
    };
    for (const ValueRow& row : run.values)
        if (!isHeadLabel(row.head)) return badHead(row.head);
    for (const RateRow& row : run.rates)
        if (!isHeadLabel(row.head)) return badHead(row.head);
    for (const LevelRateRow& row : run.levelRates)
        if (!isHeadLabel(row.head)) return badHead(row.head);
    for (const SweepRow& row : run.sweeps) {
        if (!isHeadLabel(row.head)) return badHead(row.head);
        if (row.offsets.size() != row.levels.size())
            return "a sweep of " + row.block + " " + row.head + " has " +
                   std::to_string(row.offsets.size()) + " offsets and " +
                   std::to_string(row.levels.size()) + " levels";
    }
    return "";
}

std::string_view textOf(RateVerdict verdict) {
    return VerdictWords[static_cast<std::size_t>(verdict)];
}
std::string_view textOf(SweepQuantity quantity) {
    return QuantityWords[static_cast<std::size_t>(quantity)];
}
std::string_view textOf(Outcome outcome) {
    return OutcomeWords[static_cast<std::size_t>(outcome)];
}
std::optional<RateVerdict> rateVerdictOf(std::string_view text) {
    return lookUp<RateVerdict>(VerdictWords, text);
}
std::optional<SweepQuantity> sweepQuantityOf(std::string_view text) {
    return lookUp<SweepQuantity>(QuantityWords, text);
}
std::optional<Outcome> outcomeOf(std::string_view text) {
    return lookUp<Outcome>(OutcomeWords, text);
}

}  // namespace rf::history
