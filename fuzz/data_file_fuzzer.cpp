// The adjustment data-file reader, with the targets of the "ALL" selection
// (the HDLP playback heads and the record/playback heads: five section-A
// lines, the layout of tests/data/data_file_all.dst). A file the reader
// refuses must leave every table as it was; one it takes must read back as
// saved.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/delimited.h"
#include "core/errors.h"
#include "data/data_file.h"
#include "fuzz_file.h"

namespace {

using namespace rf;

void require(bool ok) {
    if (!ok) std::abort();
}

// What a data file is read into, filled with a pattern so that any value the
// reader stores shows.
struct Held {
    BlockTable AdjTarget;
    ErrorRates rates;
    AdjustmentTables tables;
};

std::unique_ptr<Held> patterned() {
    auto s = std::make_unique<Held>();
    s->AdjTarget(dir::Playback, fmt::HdLp, rpm::Rpm18000, 0, 0, 0) = true;
    for (int k = 0; k <= 3; ++k)
        s->AdjTarget(dir::Playback, fmt::HdLp, rpm::Rpm18000, 1, k, 0) = true;
    s->rates.ErrResLp.fill(-1.5f);
    s->rates.ErrResOt.fill(-2.5f);
    s->tables.PbDataRead.fill(1234);
    s->tables.RecDataRead.fill(-4321);
    return s;
}

bool same(const Held& a, const Held& b) {
    return a.rates.ErrResLp == b.rates.ErrResLp && a.rates.ErrResOt == b.rates.ErrResOt &&
           a.tables.PbDataRead == b.tables.PbDataRead &&
           a.tables.RecDataRead == b.tables.RecDataRead;
}

data::LoadedHeader load(const std::string& path, Held& into) {
    return data::loadDataFile(path, into.AdjTarget, into.rates, into.tables);
}

// Written again as File > Save writes the tables, the file reads back to the
// same values.
void requireReadsBack(const Held& s) {
    const std::string again =
        DelimitedRecord().text("d").text("t").text("n").line() +
        data::dataLines(s.rates, s.tables, data::errorRateLines(s.AdjTarget)) +
        data::dataLines(s.rates, s.tables, data::levelLines());
    const auto copy = patterned();
    try {
        load(fuzz::scratch().write("again.dst", again), *copy);
    } catch (const RfError&) {
        std::abort();
    }
    require(same(*copy, s));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<Held> pristine = patterned();
    static const std::unique_ptr<Held> s = patterned();
    const std::string path = fuzz::scratch().write("fuzz.dst", data, size);
    try {
        load(path, *s);
        requireReadsBack(*s);
    } catch (const RfError& e) {
        require(e.number() == err::TypeMismatch || e.number() == err::InputPastEnd ||
                e.number() == err::Overflow);
        require(e.detail().starts_with(path + ": line "));
        require(same(*s, *pristine));
        return 0;
    }
    // Taken: the tables go back to the pattern for the next input.
    s->rates = pristine->rates;
    s->tables = pristine->tables;
    return 0;
}
