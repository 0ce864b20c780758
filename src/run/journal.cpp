#include "run/journal.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/delimited.h"
#include "core/errors.h"
#include "core/files.h"

namespace rf::run {

namespace {

constexpr std::size_t MaxJournalBytes = 1 << 20;

const char* itemName(JournalWrite::Item item) {
    switch (item) {
        case JournalWrite::Item::LevelRf:
            return "RF";
        case JournalWrite::Item::LevelEq200:
            return "EQ200";
        case JournalWrite::Item::RecCurr:
            return "CURR";
        case JournalWrite::Item::RecFreq:
            return "FREQ";
    }
    return "";
}

std::optional<JournalWrite::Item> itemNamed(std::string_view name) {
    for (auto item : {JournalWrite::Item::LevelRf, JournalWrite::Item::LevelEq200,
                      JournalWrite::Item::RecCurr, JournalWrite::Item::RecFreq})
        if (name == itemName(item)) return item;
    return std::nullopt;
}

std::size_t itemCount(JournalWrite::Item item) {
    return item == JournalWrite::Item::RecCurr || item == JournalWrite::Item::RecFreq ? 5 : 29;
}

std::string writeRecord(const char* tag, const JournalWrite& w) {
    DelimitedRecord r;
    r.text(tag).text(itemName(w.item));
    for (int v : {w.area, int{w.block.SFmt}, int{w.block.SRpm}, int{w.block.SHeadCate},
                  int{w.block.SHeadKind}, int{w.block.SHeadCh}, w.keepsRecorderMag ? 1 : 0})
        r.raw(std::to_string(v));
    for (std::int16_t v : w.values)
        r.raw(std::to_string(v));
    return r.line();
}

JournalWrite readWrite(DelimitedReader& in) {
    JournalWrite w;
    const auto item = itemNamed(in.text());
    if (!item) Raise(err::TypeMismatch, "unknown item");
    w.item = *item;
    w.area = in.int16();
    w.block = {in.int16(), in.int16(), in.int16(), in.int16(), in.int16()};
    w.keepsRecorderMag = in.int16() != 0;
    w.values.resize(itemCount(w.item));
    for (auto& v : w.values)
        v = in.int16();
    if (!in.atEnd()) Raise(err::TypeMismatch, "more values than the item has");
    const BlockSel& b = w.block;
    if (w.area < 0 || w.area > 1 || b.SFmt < 0 || b.SFmt > 7 || b.SRpm < 0 || b.SRpm > 6 ||
        b.SHeadCate < 0 || b.SHeadCate > 2 || b.SHeadKind < 0 || b.SHeadKind > 3 || b.SHeadCh < 0 ||
        b.SHeadCh > 1)
        Raise(err::SubscriptOutOfRange, "a block the recorder does not have");
    return w;
}

// The first write of an item, area and channel stands: what the recorder
// held before anything was written to it.
void addWrite(std::vector<JournalWrite>& to, const JournalWrite& w) {
    for (const JournalWrite& old : to)
        if (old.item == w.item && old.area == w.area && old.block == w.block) return;
    to.push_back(w);
}

// Makes the file's creation or removal itself durable.
void syncDirectoryOf(const std::string& path) {
    std::string dir = std::filesystem::path(path).parent_path().string();
    if (dir.empty()) dir = ".";
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void Journal::append(const std::string& lines) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) Raise(err::PathFileAccess, path_ + ": " + std::strerror(errno));
    const int failed = appendWhole(fd, lines, true);
    ::close(fd);
    if (failed) Raise(err::PathFileAccess, path_ + ": " + std::strerror(failed));
}

void Journal::begin(std::string_view programme, std::string_view started,
                    const JournalRecorder& recorder) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) Raise(err::PathFileAccess, path_ + ": " + std::strerror(errno));
    ::close(fd);
    syncDirectoryOf(path_);
    pending_ = false;
    append(DelimitedRecord()
               .text("Run")
               .text(programme)
               .text(started)
               .text(recorder.id)
               .text(recorder.induce)
               .text(recorder.syscon)
               .line());
    running_ = true;
}

void Journal::appendWrites(const char* tag, const std::vector<JournalWrite>& writes) {
    if (!running_ || writes.empty()) return;
    std::string lines;
    for (const JournalWrite& w : writes)
        lines += writeRecord(tag, w);
    append(lines);
    pending_ = true;
}

void Journal::found(const std::vector<JournalWrite>& writes) {
    appendWrites("Found", writes);
}

void Journal::completing(const std::vector<JournalWrite>& writes) {
    appendWrites("Completing", writes);
}

void Journal::settled() {
    if (!pending_) return;
    if (running_) {
        append(DelimitedRecord().text("Settled").line());
    } else {
        // Put back after the run's end (a failed line ends the run first):
        // nothing is owed any more.
        remove(path_);
    }
    pending_ = false;
}

void Journal::end() {
    if (!running_) return;
    running_ = false;
    if (!pending_) remove(path_);
}

bool Journal::owed() const {
    std::error_code ec;
    return !running_ && std::filesystem::exists(std::filesystem::symlink_status(path_, ec));
}

void Journal::remove(const std::string& path) {
    if (::unlink(path.c_str()) == 0) syncDirectoryOf(path);
}

std::optional<UnfinishedRun> Journal::read(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return std::nullopt;
    std::string text;
    try {
        text = readWholeFile(path, MaxJournalBytes);
    } catch (const RfError& e) {
        Raise(err::PathFileAccess, path + ": " + e.detail());
    }
    UnfinishedRun run;
    std::size_t lineNo = 0, from = 0;
    // A record cut short by the crash itself (no line end) was never
    // complete: the write it guarded was not sent.
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        ++lineNo;
        try {
            DelimitedReader in(text.substr(from, end - from));
            const std::string tag = in.text();
            if (lineNo == 1) {
                if (tag != "Run") Raise(err::TypeMismatch, "it does not start with its run");
                run.programme = in.text();
                run.started = in.text();
                run.recorder = {in.text(), in.text(), in.text()};
            } else if (tag == "Found") {
                addWrite(run.putBack, readWrite(in));
            } else if (tag == "Completing") {
                addWrite(run.completion, readWrite(in));
            } else if (tag == "Settled") {
                run.putBack.clear();
                run.completion.clear();
            } else {
                Raise(err::TypeMismatch, "unknown record \"" + tag + "\"");
            }
        } catch (const RfError& e) {
            Raise(err::PathFileAccess, path + ": line " + std::to_string(lineNo) + ": " +
                                           (e.detail().empty() ? errorText(e) : e.detail()));
        }
    }
    if (lineNo == 0) Raise(err::PathFileAccess, path + ": the file is empty");
    return run;
}

}  // namespace rf::run
