#include "history/history_csv.h"

#include <array>
#include <charconv>

namespace rf::history {

namespace {

std::string field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string number(float value) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    return {text.data(), end};
}

}  // namespace

std::string historyCsv(const RecorderHistory& history) {
    std::string out = "recorder,block,head,quantity,kind,drum hours,date,value,limit\n";
    for (const BlockHistory& block : history.blocks)
        for (const HistorySeries& s : block.series)
            for (const HistoryPoint& p : s.points) {
                out += field(history.vtrName) + ',' + field(block.block) + ',' + field(s.head) +
                       ',' + field(s.quantity) + ',' + std::string(textOf(s.kind)) + ',' +
                       (p.drumHours ? std::to_string(*p.drumHours) : "") + ',' + field(p.dateTime) +
                       ',' + number(p.value) + ',' + (p.limit ? number(*p.limit) : "") + '\n';
            }
    return out;
}

}  // namespace rf::history
