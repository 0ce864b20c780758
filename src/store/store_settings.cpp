#include "store/store_settings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>

namespace rf::store {

namespace {

constexpr std::array<std::string_view, 5> Keys{"host", "port", "database", "user", "password"};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string StoreSettings::describe() const {
    if (kind == Kind::Sqlite) return "SQLite file " + sqliteFile.string();
    return "PostgreSQL database " + database + " on " + host + ":" + std::to_string(port);
}

StoreSettings parseStoreSettings(std::string_view text, const std::string& fileName) {
    StoreSettings s;
    s.kind = StoreSettings::Kind::Postgres;
    std::array<std::optional<std::string>, Keys.size()> values;
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        const auto fail = [&](const std::string& why) {
            throw StoreError(fileName + ": line " + std::to_string(number) + ": " + why);
        };
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            fail("\"" + std::string(line) + "\" is not key = value");
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        const auto known = std::find(Keys.begin(), Keys.end(), key);
        if (known == Keys.end())
            fail("unknown key \"" + std::string(key) +
                 "\" (the keys are host, port, database, user, password)");
        auto& slot = values[static_cast<std::size_t>(known - Keys.begin())];
        if (slot) fail("\"" + std::string(key) + "\" is given twice");
        if (value.empty() && key != "password") fail("\"" + std::string(key) + "\" has no value");
        if (key == "port") {
            int port = 0;
            const auto [at, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
            if (ec != std::errc{} || at != value.data() + value.size() || port < 1 || port > 65535)
                fail("port \"" + std::string(value) + "\" is not a number from 1 to 65535");
            s.port = port;
        }
        slot = std::string(value);
    }
    for (std::string_view required : {"host", "database"}) {
        const auto at = std::find(Keys.begin(), Keys.end(), required) - Keys.begin();
        if (!values[static_cast<std::size_t>(at)])
            throw StoreError(fileName + ": \"" + std::string(required) + "\" is missing");
    }
    s.host = *values[0];
    s.database = *values[2];
    s.user = values[3].value_or("");
    s.password = values[4].value_or("");
    return s;
}

StoreSettings readStoreSettings(const std::filesystem::path& dir) {
    const std::filesystem::path file = dir / SettingsFileName;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        StoreSettings s;
        s.sqliteFile = std::filesystem::absolute(dir / DefaultStoreFile, ec);
        return s;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    if (!in && !in.eof()) throw StoreError(file.string() + ": cannot be read");
    return parseStoreSettings(all.str(), file.string());
}

}  // namespace rf::store
