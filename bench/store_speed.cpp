// Speed of the records store on SQLite and on PostgreSQL (a private server,
// tests/pg_server.h, with its own fsync on): a store of RECORDERS recorders
// with VISITS runs each, then the time to record one more run, to load one
// recorder's history and the list of recorders, and to import a history file
// of IMPORT_MB megabytes. Prints "name: value" lines; judges nothing.
//   store_speed [RECORDERS] [VISITS] [IMPORT_MB]     (200 40 10)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/data_file.h"
#include "pg_server.h"
#include "state/adjustment_tables.h"
#include "store/records_store.h"
#include "temp_dir.h"

namespace {

using rf::history::RunRecord;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string vtrName(int recorder) {
    return "QT7310XYZ_" + std::to_string(10000 + recorder);
}

std::string dateOf(int visit, int second) {
    char text[32];
    std::snprintf(text, sizeof text, "20%02d-%02d-%02dT10:%02d:%02d", 20 + visit / 12,
                  visit % 12 + 1, 1 + visit % 28, visit % 60, second % 60);
    return text;
}

// An Adjust run of every block: the level blocks of four formats and the
// record values as found and as left, the error rates, LevelRate ratios and
// the sweeps of both channels.
RunRecord adjustRun(int recorder, int visit) {
    RunRecord r;
    r.runId = rf::history::newRunId();
    r.recorder = {"QT7310", vtrName(recorder), "XYZ", std::to_string(10000 + recorder), "V2.05"};
    r.bench = "bench-1";
    r.operatorSerial = r.recorder.serialNo;
    r.toolVersion = "2.1";
    r.dateTime = dateOf(visit, recorder);
    r.drumHours = 1000 + visit * 50;
    r.programme = "Adjust";
    const char* blocks[] = {"MAGVEX HDLP,18000rpm,PB,PB,Conf", "MAGVEX HDSP,19800rpm",
                            "MAGVEX 50M,9900rpm", "DV,9000rpm"};
    for (const char* block : blocks) {
        r.blocks.push_back(block);
        for (int ch = 0; ch < 2; ++ch)
            for (int item = 0; item < 29; ++item)
                r.values.push_back(
                    {block, rf::history::levelItemName(item), ch ? "R" : "L", item - 10, item - 9});
        for (const char* head : {"L1", "L2", "R1", "R2"})
            for (const char* m : {"Master VIDEO", "Master AUDIO1", "Master AUDIO2"})
                r.rates.push_back({block, m, head, -4.5f - 0.01f * static_cast<float>(visit), -4.1f,
                                   rf::history::RateVerdict::Pass});
    }
    for (int h = 0; h < 4; ++h) {
        const std::string head(rf::history::Heads[static_cast<std::size_t>(h)]);
        r.values.push_back({"MAGVEX HDLP,18000rpm,RP,RP,RP", "record current", head, 3, 4});
        r.values.push_back({"MAGVEX HDLP,18000rpm,RP,RP,RP", "record frequency", head, -2, -1});
        r.levelRates.push_back({"MAGVEX HDLP,18000rpm,RP,RP,RP", head, 0.93f, 0.8f, 1.2f});
        for (auto q :
             {rf::history::SweepQuantity::Current, rf::history::SweepQuantity::Frequency}) {
            rf::history::SweepRow s{"MAGVEX HDLP,18000rpm,RP,RP,RP", head, q, {}, {}, 2};
            for (int p = -7; p < 7; ++p) {
                s.offsets.push_back(p);
                s.levels.push_back(1.0f - 0.01f * static_cast<float>(p * p));
            }
            r.sweeps.push_back(std::move(s));
        }
    }
    r.verdictLine = "PASS";
    return r;
}

// An error-rate history file of at least `megabytes`, written as File > Save
// writes it: saves of many recorders, every HDLP playback block.
void writeHistoryFile(const std::string& path, double megabytes) {
    auto tables = std::make_unique<rf::AdjustmentTables>();
    auto rates = std::make_unique<rf::ErrorRates>();
    auto target = std::make_unique<rf::BlockTable>();
    rf::DataInit(*tables, *rates);
    (*target)(rf::dir::Playback, rf::fmt::HdLp, rf::rpm::Rpm18000, rf::cate::RecPlay, 0, 0) = true;
    for (int k = 0; k <= rf::kind::SubSlow; ++k)
        (*target)(rf::dir::Playback, rf::fmt::HdLp, rf::rpm::Rpm18000, rf::cate::Playback, k, 0) =
            true;
    std::string text;
    for (int save = 0; static_cast<double>(text.size()) < megabytes * 1e6; ++save) {
        rates->ErrResLp(rf::fmt::HdLp, 1, 0, 0, save % 4, 0) = -4.2f - 0.001f * (save % 500);
        const rf::platform::DateTime at{2020 + save / 4000, 1 + save / 300 % 12, 1 + save / 10 % 28,
                                        save % 24,          save % 60,           0};
        text += rf::data::saveTexts(*rates, *tables, *target, vtrName(save % 200), at).errHistory;
    }
    rf::test::writeFile(path, text);
}

// The figures of one back end, prefixed "sqlite_" or "pg_".
int measure(const std::string& prefix, const std::function<rf::store::StoreSettings()>& settings,
            int recorders, int visits, double importMb) {
    rf::test::TempWorkDir work;
    rf::store::RecordsStore store(settings(), work.path());
    const auto fillStart = Clock::now();
    for (int visit = 0; visit < visits; ++visit)
        for (int recorder = 0; recorder < recorders; ++recorder) {
            const auto result = store.record(adjustRun(recorder, visit));
            if (result.kind != rf::store::RecordResult::Kind::Recorded) {
                std::fprintf(stderr, "%s\n", result.message().c_str());
                return 1;
            }
        }
    const double fillS = msSince(fillStart) / 1000;
    std::printf("%sfill_runs_per_s: %.1f\n", prefix.c_str(), recorders * visits / fillS);

    std::vector<double> record, history;
    std::size_t rows = 0;
    for (int i = 0; i < 20; ++i) {
        const RunRecord run = adjustRun(i * 7 % recorders, visits + i);
        auto start = Clock::now();
        store.record(run);
        record.push_back(msSince(start));
        start = Clock::now();
        const auto runs = store.recorderRuns(vtrName(i * 13 % recorders));
        history.push_back(msSince(start));
        rows = runs.size();
    }
    auto start = Clock::now();
    const std::size_t known = store.recorders().size();
    const double list = msSince(start);
    const RunRecord sample = adjustRun(0, 0);
    std::printf("%srun_rows: %zu\n", prefix.c_str(),
                sample.values.size() + sample.rates.size() + sample.levelRates.size() +
                    sample.sweeps.size());
    std::printf("%srecord_ms: %.2f\n", prefix.c_str(), median(record));
    std::printf("%shistory_ms: %.2f\n", prefix.c_str(), median(history));
    std::printf("%shistory_runs: %zu\n", prefix.c_str(), rows);
    std::printf("%srecorders_ms: %.2f\n", prefix.c_str(), list);
    std::printf("%srecorders: %zu\n", prefix.c_str(), known);

    const std::string file = (work.path() / "QT7310Err.dat").string();
    writeHistoryFile(file, importMb);
    start = Clock::now();
    const auto imported = store.importHistoryFile(file);
    std::printf("%simport_s: %.2f\n", prefix.c_str(), msSince(start) / 1000);
    std::printf("%simport_runs: %d\n", prefix.c_str(), imported.added);
    std::printf("%simport_problems: %zu\n", prefix.c_str(), imported.problems.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int recorders = argc > 1 ? std::atoi(argv[1]) : 200;
    const int visits = argc > 2 ? std::atoi(argv[2]) : 40;
    const double importMb = argc > 3 ? std::atof(argv[3]) : 10;
    if (recorders < 1 || visits < 1 || importMb <= 0) {
        std::fprintf(stderr, "usage: store_speed [RECORDERS] [VISITS] [IMPORT_MB]\n");
        return 2;
    }
    std::printf("recorders: %d\nvisits: %d\nimport_mb: %.2f\n", recorders, visits, importMb);
    std::fflush(stdout);
    try {
        if (measure(
                "sqlite_",
                [] { return rf::store::readStoreSettings(std::filesystem::current_path()); },
                recorders, visits, importMb) != 0)
            return 1;
        std::fflush(stdout);
        rf::test::PgServer server(true);
        return measure(
            "pg_", [&] { return server.settings(); }, recorders, visits, importMb);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "store_speed: %s\n", e.what());
        return 1;
    }
}
