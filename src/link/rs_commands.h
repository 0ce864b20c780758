#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/block.h"
#include "link/rs_link.h"

namespace rf::link {

enum class AdjMode { Start, Stop };
enum class AdjRunKind { Vco, Tap, Env };
enum class ErrRateMode { Hex, Bcd };
enum class TimeCodeMode { Tcr, Tcg };
enum class RecKind { Curr, Freq };
enum class LevelKind { Rf, Eq, Eq200 };
enum class SearchMode { Ctl, Tc };
// The transport commands: the tape's modes, standby on and off, and the
// counter's source (time code or control track) and reset.
enum class Transport { Stop, Play, Rec, FF, Rew, Eject, StbOn, StbOff, TcSel, CtlSel, CtlRst };

// Items of a playback level block (29) and of a record value block (5).
inline constexpr std::size_t LevelItems = 29;
inline constexpr std::size_t RecItems = 5;

// The items of one level block as read from the recorder; only the items of
// `kind` (RF 0-3, EQ 4-25, EQ200 4-28) were read.
struct LevelBlock {
    LevelKind kind = LevelKind::Rf;
    std::array<std::int16_t, LevelItems> items{};

    static std::pair<std::size_t, std::size_t> itemRange(LevelKind kind);  // first, last
    // Writes the items of the kind into a table row, leaving the others alone.
    void applyTo(std::span<std::int16_t, LevelItems> row) const;
};

struct ErrRates {
    std::array<int, 4> raw{};    // clamped raw values, 20 to 56
    std::array<int, 4> rates{};  // error-rate steps, 0 to 18
    std::array<std::string, 4> marks;
};

// The values a field or an item takes, both ends included.
struct ValueLimits {
    int low, high;
};
// The values the recorder takes for an item of a level block of `kind` (one
// of the kind's items, LevelBlock::itemRange): the item's own limits where it
// has them, else what its field carries. LevelRead refuses a reply outside them.
ValueLimits levelItemLimits(LevelKind kind, int item);
// What a signed byte field carries: the RF items of a level block and the
// record values RecValueSet sends.
inline constexpr ValueLimits SignedByteLimits{-128, 127};

// Hex digit of n (its low four bits) and two hex digits of n (its low byte).
char hexDigit(int n);
std::string twoHex(int n);
// A signed byte field: two hex digits of v + 128. A value outside -128..127
// does not fit and is the run-time error "overflow" (6).
std::string signedByte(int v);

// The recorder's command set. Each routine sends one command, decodes and
// checks the reply, and pauses where the recorder needs time to act. A routine
// that raises returns nothing and changes nothing.
class Rs {
  public:
    // `adjModeOn` follows the recorder's adjustment mode: set by a START that
    // was answered, cleared by a STOP that was answered.
    Rs(RsLink& link, bool& adjModeOn) : link_(link), adjModeOn_(adjModeOn) {}
    explicit Rs(RsLink& link) : Rs(link, ownAdjModeOn_) {}

    std::string IdRead();
    std::string SqRead();
    std::string InduceRead();
    void InduceSet(std::string_view code);
    int FrRead();
    void RmSet(std::string_view value);
    void CtsSet(std::string_view value);
    void AdjModeSet(AdjMode mode, int a = 0, int b = 0, int c = 0, int d = 0);
    bool adjModeOn() const { return adjModeOn_; }
    void KsSet(bool on, int a, int b);
    std::string OasRead();
    std::string StatusRead();
    std::array<std::string, 3> QhrRead(int mode);
    std::array<std::string, 4> TimeCodeRead(TimeCodeMode mode);
    void TransportCtrl(Transport mode);
    std::array<int, 2> AdjRun(int channel, AdjRunKind kind);
    void SearchSet(SearchMode mode, std::string_view value);
    // Whether the recorder has said, unasked, that the search it was sent on
    // has ended ("SRS" in what arrived since).
    bool SearchEnded() const { return link_.received("SRS"); }
    std::string RemoteCheck();
    ErrRates ErrRateRead(ErrRateMode mode, int channel);
    std::array<std::int16_t, 2> RecValueRead(const BlockSel& sel, RecKind kind);
    void RecValueSet(const BlockSel& sel, RecKind kind,
                     std::span<const std::int16_t, RecItems> items);
    LevelBlock LevelRead(const BlockSel& sel, LevelKind kind);
    void LevelSet(const BlockSel& sel, LevelKind kind,
                  std::span<const std::int16_t, LevelItems> items);

    RsLink& link() { return link_; }
    const RsLink& link() const { return link_; }

  private:
    const std::string& send(std::string_view cmd, std::string_view params,
                            std::string_view replyCode);

    bool ownAdjModeOn_ = false;
    RsLink& link_;
    bool& adjModeOn_;
};

// The nine digits of the "$RM" parameter: "000", the error-rate digit (1 while
// error rates are read), "00", the playback mode digit ("0" the normal heads
// of a block, "1" the record/playback heads, ...) and two closing digits ("10"
// in the HDLP blocks, "00" in the four-channel formats).
std::string rmParam(bool errorRates, std::string_view modeDigit, std::string_view closing);

// Status text of a two-character transport status code.
std::string statusText(std::string_view code);
// The mode's name as the operator knows it ("STOP", "PLAY", "STBOFF", ...).
std::string_view transportName(Transport mode);
// The status StatusRead reports once the recorder is in the mode ("STOP",
// "PLAY", "STBOF" for standby off); empty for a command that is no mode the
// recorder stays in (standby on, the counter's settings).
std::string_view transportStatus(Transport mode);

}  // namespace rf::link
