// The tool kept connected to vtrsim in real time (the real serial path) for a
// long while: first idle, then running one block of each programme back to
// back (Error Rate and Adjust on the HDLP playback and record blocks, the
// upload of the data file it saves). Prints, as "name: value" lines, the
// memory of its own process (VmRSS) at the start of the runs, after each run
// and at the end with its slope over the runs, the CPU time of the process
// against the wall time while idle and while running, and what it found of
// the operation log: only ever appended to, by the same number of records
// for every run of the same kind.
//
//   soak [--minutes N] [--idle-minutes M]    N minutes in all (30), M of them idle (N / 10)
// Runs start only while less than N minutes have passed: with M = N there is none.
#include <sys/resource.h>

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

#include "realtime_rig.h"

namespace {

using namespace rf::bench;

// VmRSS of this process in kB.
double rssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6);
    return 0;
}
double rssMb() {
    return rssKb() / 1024;
}

// CPU time (user and system) of this process in seconds.
double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Least-squares slope of `y` against its index.
double slope(const std::vector<double>& y) {
    const double n = static_cast<double>(y.size());
    if (y.size() < 2) return 0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        const double x = static_cast<double>(i);
        sx += x;
        sy += y[i];
        sxx += x * x;
        sxy += x * y[i];
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

// The operation log as the runs leave it: each look must find the text of the
// look before unchanged at its start. Counts the records (lines) added.
class LogWatch {
  public:
    explicit LogWatch(std::string path) : path_(std::move(path)) {
        text_ = rf::test::readFile(path_);
    }

    // The records added since the last look, or -1 when the earlier text changed.
    int added() {
        const std::string now = rf::test::readFile(path_);
        if (now.compare(0, text_.size(), text_) != 0) {
            text_ = now;
            return -1;
        }
        const auto records =
            std::count(now.begin() + static_cast<long>(text_.size()), now.end(), '\n');
        text_ = now;
        return static_cast<int>(records);
    }
    std::size_t size() const { return text_.size(); }

  private:
    std::string path_;
    std::string text_;
};

}  // namespace

int main(int argc, char** argv) {
    double minutes = 30, idleMinutes = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--minutes") == 0)
            minutes = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--idle-minutes") == 0)
            idleMinutes = std::atof(argv[i + 1]);
    }
    if (idleMinutes < 0) idleMinutes = minutes / 10;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    RealTimeRig rig;
    std::string why;
    if (!rig.start(why)) {
        std::fprintf(stderr, "soak: %s\n", why.c_str());
        return 1;
    }
    const Clock::time_point begin = Clock::now();
    LogWatch log(rig.tool().settings().AdjLogFile);
    std::printf("minutes: %g\n", minutes);
    std::printf("idle_minutes: %g\n", idleMinutes);
    std::printf("rss_idle_start_mb: %.2f\n", rssMb());

    double cpu = cpuSeconds();
    rig.idle(static_cast<int>(idleMinutes * 60'000));
    const double idleWall = since(begin);
    std::printf("idle_cpu_pct: %.4f\n", (cpuSeconds() - cpu) / idleWall * 100);
    std::vector<std::string> problems;
    if (const int added = log.added(); added != 0)
        problems.push_back(std::to_string(added) + " records while idle");

    std::printf("rss_start_mb: %.2f\n", rssMb());
    std::fflush(stdout);
    const Clock::time_point runsBegin = Clock::now();
    cpu = cpuSeconds();
    std::vector<double> rss;
    std::map<std::string, std::vector<int>> records;  // per kind of run
    int runs = 0;
    for (std::size_t k = 0; since(begin) < minutes * 60; ++k) {
        const Run r = AllRuns[k % std::size(AllRuns)];
        const Clock::time_point from = Clock::now();
        if (!makeRun(rig.tool(), r)) {
            std::printf("run_%03d: %s did not complete: %s\n", runs + 1, runName(r),
                        rig.why().c_str());
            problems.push_back(std::string(runName(r)) + " did not complete");
            break;
        }
        ++runs;
        rss.push_back(rssKb());
        const int added = log.added();
        if (added < 0)
            problems.push_back(std::string("run ") + std::to_string(runs) +
                               " changed the log's earlier text");
        records[runName(r)].push_back(added);
        std::printf("run_%03d: %s, %.1f s, %d log records, rss %.2f MB\n", runs, runName(r),
                    since(from), added, rss.back() / 1024);
        std::fflush(stdout);
    }
    const double runWall = since(runsBegin);
    std::printf("runs: %d\n", runs);
    std::printf("run_minutes: %.1f\n", runWall / 60);
    if (runs > 0) std::printf("run_cpu_pct: %.4f\n", (cpuSeconds() - cpu) / runWall * 100);
    std::printf("rss_end_mb: %.2f\n", rssMb());
    std::printf("rss_slope_kb_per_run: %.2f\n", slope(rss));
    // The first round of runs brings in what every later one reuses.
    if (rss.size() > 2 * std::size(AllRuns))
        std::printf("rss_slope_after_first_round_kb_per_run: %.2f\n",
                    slope({rss.begin() + static_cast<long>(std::size(AllRuns)), rss.end()}));
    for (const auto& [name, counts] : records) {
        std::string list;
        for (int c : counts)
            list += (list.empty() ? "" : " ") + std::to_string(c);
        std::printf("log_records_%s: %s\n", name.c_str(), list.c_str());
        if (std::adjacent_find(counts.begin(), counts.end(), std::not_equal_to<>()) != counts.end())
            problems.push_back(name + " runs added different numbers of records");
    }
    std::printf("log_bytes: %zu\n", log.size());
    std::string verdict = "ok";
    for (const std::string& p : problems)
        verdict = (verdict == "ok" ? "" : verdict + "; ") + p;
    std::printf("log_check: %s\n", verdict.c_str());
    rig.tool().endProgram();
    return problems.empty() ? 0 : 1;
}
