#pragma once

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "store/store_settings.h"

namespace rf::test {

// A private PostgreSQL server for one test or benchmark: a cluster made with
// initdb in a temporary directory, listening on a Unix socket in that
// directory only, run as "nobody" when we are root (the server refuses root).
// Removed again with everything in it. Its settings name the database
// "postgres" as the superuser "rfadjust".
class PgServer {
  public:
    // fsync off unless `durable`: a test needs no crash safety of the server's own.
    explicit PgServer(bool durable = false) {
        bin_ = findBin();
        std::string pattern = (std::filesystem::temp_directory_path() / "rfadjust-pg-XXXXXX");
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        if (::geteuid() == 0) {
            as_ = "runuser -u nobody -- ";
            run("chown nobody " + dir_.string());
        }
        run(as_ + bin_ + "/initdb -D " + data() + " -U rfadjust -A trust --no-sync -E UTF8");
        std::ofstream(data() + "/postgresql.conf", std::ios::app)
            << "listen_addresses = ''\nunix_socket_directories = '" << dir_.string()
            << "'\nport = 5432\n"
            << (durable ? "" : "fsync = off\nsynchronous_commit = off\n");
        start();
    }
    ~PgServer() {
        std::system((as_ + bin_ + "/pg_ctl stop -D " + data() + " -m immediate -w >/dev/null 2>&1")
                        .c_str());
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    void start() { run(as_ + bin_ + "/pg_ctl start -w -D " + data() + " -l " + data() + "/log"); }
    // Fast: every session is ended and its open transaction rolled back.
    void stop() { run(as_ + bin_ + "/pg_ctl stop -w -m fast -D " + data()); }

    store::StoreSettings settings() const {
        store::StoreSettings s;
        s.kind = store::StoreSettings::Kind::Postgres;
        s.host = dir_.string();
        s.database = "postgres";
        s.user = "rfadjust";
        return s;
    }
    // The same as a RECORDS.DAT says it.
    std::string recordsDat() const {
        return "# the test's own server\nhost = " + dir_.string() +
               "\nport = 5432\ndatabase = postgres\nuser = rfadjust\n";
    }

  private:
    static std::string findBin() {
        std::string best;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec))
            if (std::filesystem::exists(entry.path() / "bin/initdb") &&
                (best.empty() || std::stoi(entry.path().filename().string()) >
                                     std::stoi(std::filesystem::path(best).filename().string())))
                best = entry.path().string();
        if (best.empty())
            throw std::runtime_error(
                "PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb): "
                "scripts/install-deps installs it");
        return best + "/bin";
    }
    std::string data() const { return (dir_ / "data").string(); }
    void run(const std::string& command) const {
        const std::string log = (dir_ / "command.log").string();
        if (std::system((command + " >" + log + " 2>&1").c_str()) != 0) {
            std::ifstream in(log);
            const std::string output((std::istreambuf_iterator<char>(in)), {});
            throw std::runtime_error("PostgreSQL: \"" + command + "\" failed: " + output);
        }
    }

    std::string bin_, as_;
    std::filesystem::path dir_;
};

}  // namespace rf::test
