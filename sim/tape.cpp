#include "sim/tape.h"

#include <algorithm>
#include <cmath>

#include "sim/timecode.h"

namespace rf::sim {

const Segment* Tape::segmentAt(double pos) const {
    for (const Segment& s : segments)
        if (pos >= s.start && pos < s.end) return &s;
    return nullptr;
}

std::optional<std::int64_t> Tape::timecodeAt(double pos) const {
    const Segment* s = segmentAt(pos);
    if (!s) return std::nullopt;
    return wrapFrames(s->tcStart +
                      static_cast<std::int64_t>(std::floor((pos - s->start) * FramesPerSecond)));
}

std::optional<std::int64_t> Tape::timecodeBefore(double pos) const {
    const Segment* last = nullptr;
    for (const Segment& s : segments)
        if (s.end <= pos && s.end > s.start && (!last || s.end > last->end)) last = &s;
    if (!last) return std::nullopt;
    const auto frames =
        static_cast<std::int64_t>(std::ceil((last->end - last->start) * FramesPerSecond)) - 1;
    return wrapFrames(last->tcStart + frames);
}

std::optional<double> Tape::find(std::int64_t tc, double from, bool forward) const {
    constexpr double Frame = 1.0 / FramesPerSecond;
    std::optional<double> nearest;
    for (const Segment& s : segments) {
        const double at = s.start + (static_cast<double>(wrapFrames(tc - s.tcStart)) + 0.5) * Frame;
        if (at >= s.end) continue;
        // The frame under the head counts in both directions.
        if (forward ? at < from - Frame : at > from + Frame) continue;
        if (!nearest || (forward ? at < *nearest : at > *nearest)) nearest = at;
    }
    return nearest;
}

void Tape::record(const Segment& s) {
    std::vector<Segment> kept;
    for (Segment old : segments) {
        if (old.end <= s.start || old.start >= s.end) {
            kept.push_back(old);
            continue;
        }
        if (old.start < s.start) {
            Segment head = old;
            head.end = s.start;
            kept.push_back(head);
        }
        if (old.end > s.end) {
            Segment tail = old;
            tail.tcStart = wrapFrames(old.tcStart + static_cast<std::int64_t>(std::floor(
                                                        (s.end - old.start) * FramesPerSecond)));
            tail.start = s.end;
            kept.push_back(tail);
        }
    }
    if (s.end > s.start) kept.push_back(s);
    std::sort(kept.begin(), kept.end(),
              [](const Segment& a, const Segment& b) { return a.start < b.start; });
    segments = std::move(kept);
}

std::vector<Tape> standardLibrary() {
    auto prerecorded = [](std::string name, TapeKind kind, int format, double minutes) {
        Tape t;
        t.name = std::move(name);
        t.kind = kind;
        t.format = format;
        t.mark = true;
        t.length = minutes * 60;
        Segment s;
        s.start = 0;
        s.end = t.length;
        s.reference = true;
        s.fmt = format;
        t.segments.push_back(s);
        return t;
    };
    std::vector<Tape> out;
    out.push_back(prerecorded("HDLP MASTER", TapeKind::Master, 7, 30));
    out.push_back(prerecorded("DV MASTER", TapeKind::Master, 1, 30));
    out.push_back(prerecorded("25M MASTER", TapeKind::Master, 0, 30));
    out.push_back(prerecorded("50M CHECK", TapeKind::Check, 2, 30));
    out.push_back(prerecorded("HDSP CHECK", TapeKind::Check, 3, 30));
    Tape blank;
    blank.name = "BLANK";
    blank.kind = TapeKind::Blank;
    blank.format = 7;
    blank.mark = false;
    blank.length = 64 * 60;
    out.push_back(blank);
    return out;
}

}  // namespace rf::sim
