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

// Tables filled with a pattern, so that any value the reader stores shows.
std::unique_ptr<Shared> patterned() {
    auto s = std::make_unique<Shared>();
    s->AdjTarget(dir::Playback, fmt::HdLp, rpm::Rpm18000, 0, 0, 0) = true;
    for (int k = 0; k <= 3; ++k)
        s->AdjTarget(dir::Playback, fmt::HdLp, rpm::Rpm18000, 1, k, 0) = true;
    s->ErrResLp.fill(-1.5f);
    s->ErrResOt.fill(-2.5f);
    s->PbDataRead.fill(1234);
    s->RecDataRead.fill(-4321);
    s->VtrName = "before";
    return s;
}

bool unchanged(const Shared& a, const Shared& b) {
    return a.ErrResLp == b.ErrResLp && a.ErrResOt == b.ErrResOt && a.PbDataRead == b.PbDataRead &&
           a.RecDataRead == b.RecDataRead && a.VtrName == b.VtrName;
}

// Written again as File > Save writes the tables, the file reads back to the
// same values.
void requireReadsBack(const Shared& s) {
    const std::string again = DelimitedRecord().text("d").text("t").text("n").line() +
                              data::dataLines(s, data::errorRateLines(s.AdjTarget)) +
                              data::dataLines(s, data::levelLines());
    const auto copy = patterned();
    try {
        data::loadDataFile(fuzz::scratch().write("again.dst", again), *copy);
    } catch (const RfError&) {
        std::abort();
    }
    require(copy->ErrResLp == s.ErrResLp && copy->ErrResOt == s.ErrResOt &&
            copy->PbDataRead == s.PbDataRead && copy->RecDataRead == s.RecDataRead);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<Shared> pristine = patterned();
    static const std::unique_ptr<Shared> s = patterned();
    const std::string path = fuzz::scratch().write("fuzz.dst", data, size);
    try {
        const data::LoadedHeader header = data::loadDataFile(path, *s);
        require(s->VtrName == header.VtrName);
        requireReadsBack(*s);
    } catch (const RfError& e) {
        require(e.number() == err::TypeMismatch || e.number() == err::InputPastEnd ||
                e.number() == err::Overflow);
        require(e.detail().starts_with(path + ": line "));
        require(unchanged(*s, *pristine));
        return 0;
    }
    // Taken: the tables go back to the pattern for the next input.
    s->ErrResLp = pristine->ErrResLp;
    s->ErrResOt = pristine->ErrResOt;
    s->PbDataRead = pristine->PbDataRead;
    s->RecDataRead = pristine->RecDataRead;
    s->VtrName = pristine->VtrName;
    return 0;
}
