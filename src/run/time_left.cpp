#include "run/time_left.h"

#include <algorithm>
#include <cstdio>

namespace rf::run {

Millis RemainingTime::planAt(std::size_t i) const {
    return i < plan_.marks.size() ? plan_.marks[i].at : plan_.length;
}

void RemainingTime::passed(const RunMark& mark) {
    // The plan's next mark of the same kind and block: a run that took a
    // step more or less than its rehearsal (a retried sweep) finds its place
    // again at the next mark they share.
    const std::size_t from = matched_ ? *matched_ + 1 : 0;
    for (std::size_t i = from; i < plan_.marks.size(); ++i) {
        const RunMark& m = plan_.marks[i];
        if (m.kind != mark.kind || m.block != mark.block) continue;
        matched_ = i;
        matchedAt_ = mark.at;
        if (m.at >= PaceAfter)
            pace_ = std::clamp(
                static_cast<double>(mark.at.count()) / static_cast<double>(m.at.count()), 0.5, 3.0);
        return;
    }
}

TimeLeft RemainingTime::at(Millis now) const {
    const std::size_t next = matched_ ? *matched_ + 1 : 0;
    const Millis last = matched_ ? planAt(*matched_) : Millis{0};
    const Millis since = std::max(Millis{0}, now - (matched_ ? matchedAt_ : Millis{0}));
    const auto planned = std::min(
        last + Millis{static_cast<Millis::rep>(static_cast<double>(since.count()) / pace_)},
        planAt(next));
    // The block at work ends where the plan's next block begins; before the
    // first block, the time left of the block is that of the first.
    const auto isBlock = [this](std::size_t i) {
        return plan_.marks[i].kind == RunMark::Kind::Block;
    };
    bool inBlock = false;
    for (std::size_t i = 0; i < next && !inBlock; ++i)
        inBlock = isBlock(i);
    std::size_t blockEnd = next;
    while (blockEnd < plan_.marks.size() && !isBlock(blockEnd))
        ++blockEnd;
    if (!inBlock && blockEnd < plan_.marks.size()) do
            ++blockEnd;
        while (blockEnd < plan_.marks.size() && !isBlock(blockEnd));
    const auto scaled = [this](Millis planTime) {
        return Millis{static_cast<Millis::rep>(
            static_cast<double>(std::max(Millis{0}, planTime).count()) * pace_)};
    };
    return {scaled(planAt(blockEnd) - planned), scaled(plan_.length - planned)};
}

namespace {

std::string clock(Millis t) {
    const long long s = (t.count() + 999) / 1000;  // a second begun counts whole
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

}  // namespace

std::string timeLeftText(const TimeLeft& left) {
    return "Time left: block " + clock(left.block) + ", run " + clock(left.run);
}

}  // namespace rf::run
