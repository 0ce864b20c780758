#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/block.h"

namespace rf::run {

// The journal's file, in the working directory beside the operation log.
inline constexpr const char* JournalFileName = "rfadjust.journal";

// One write of adjustment data: the item written, the data area of the
// adjustment mode it is written in (the last digit of "$SA"), the block and
// channel, and the block's items (29 for a level block, the record values'
// five for a record block; only the item's own are sent).
struct JournalWrite {
    enum class Item { LevelRf, LevelEq200, RecCurr, RecFreq };
    Item item = Item::LevelRf;
    int area = 0;
    BlockSel block;
    std::vector<std::int16_t> values;
    // An RF write of the data initialisation keeps the MAG pair (items 2 and
    // 3) the recorder holds: it is read just before the write.
    bool keepsRecorderMag = false;
    friend bool operator==(const JournalWrite&, const JournalWrite&) = default;
};

// The recorder a run worked with, as the connection check identified it.
struct JournalRecorder {
    std::string id, induce, syscon;
    friend bool operator==(const JournalRecorder&, const JournalRecorder&) = default;
};

// A run the journal shows unfinished: the tool ended (a crash, a kill, a
// power loss) while it worked with the recorder, or a put-back failed.
struct UnfinishedRun {
    std::string programme;  // "Adjust", "Error Rate", "Data UpLoad", ...
    std::string started;    // its date and time as the log writes them
    JournalRecorder recorder;
    // The writes that put back what the recorder held before the pending
    // block wrote to it (the values found), in the order they were read.
    std::vector<JournalWrite> putBack;
    // The writes the run was making to settle its work (a store, an upload),
    // when it had begun them: they complete the work instead.
    std::vector<JournalWrite> completion;
};

// The journal of the run at work, a small file that outlives the tool: what
// the recorder held before a block wrote to it and what the block was about
// to store, each record on the disk before the write it guards is sent. The
// next start reads it to put the recorder back after a crash.
//
// A run begins it, a block notes what it found before its first write and
// what it is about to store, and says when its values are settled (stored,
// or put back); the run's end removes the file unless a block is still
// pending (its put-back failed), so that the next start offers it again.
class Journal {
  public:
    explicit Journal(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // A run begins: the file is written afresh with the run's programme, date
    // and recorder. A journal that cannot be written is "path/file access
    // error" (75) naming the file: nothing is sent to the recorder without it.
    void begin(std::string_view programme, std::string_view started,
               const JournalRecorder& recorder);
    // What the recorder held, as writes that put it back; added to those of
    // the pending block (the first write of an item and channel stands).
    void found(const std::vector<JournalWrite>& writes);
    // The writes about to be made that settle the pending block's work.
    void completing(const std::vector<JournalWrite>& writes);
    // The pending block's values are settled: stored, or put back.
    void settled();
    // The run ended. The file goes, unless a block is still pending (its
    // put-back failed): then the next start offers the put-back again.
    void end();

    // Between runs: the file of a run not put back is there, and the
    // recorder may hold half of something; nothing else is to be sent to it
    // until the put-back at a start (or Program Reset) has dealt with it.
    bool owed() const;

    // The unfinished run the file at `path` holds; nothing when there is no
    // file. A file that cannot be read or makes no sense is "path/file access
    // error" (75) with the reason.
    static std::optional<UnfinishedRun> read(const std::string& path);
    // Removes the file once its run is dealt with.
    static void remove(const std::string& path);

  private:
    void append(const std::string& lines);
    // Records of the writes under `tag`; the pending block then has some.
    void appendWrites(const char* tag, const std::vector<JournalWrite>& writes);

    std::string path_;
    bool running_ = false;
    bool pending_ = false;
};

}  // namespace rf::run
