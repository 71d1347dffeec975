// RegQueryValueExA and RegSetValueExA beside the bare SQLite work they stand
// on: a point query and a single-row update of a table shaped like the
// hive's value table, in a database set up like a hive (WAL, synchronous
// NORMAL). Each benchmark times batches of both alternately in the same run
// and reports the cost per call of each and their ratio.
#include <windows.h>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

constexpr int kBatch = 1000;
constexpr char kValueName[] = "Speed";

class BareTable {
  public:
    explicit BareTable(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        sqlite3_exec(db_,
                     "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;"
                     "CREATE TABLE key_values(key INTEGER NOT NULL,"
                     " name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB,"
                     " PRIMARY KEY(key, name)) WITHOUT ROWID;"
                     "INSERT INTO key_values VALUES(2, 'Speed', 4, x'00000000');",
                     nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db_, "SELECT type, data FROM key_values WHERE key = ?1 AND name = ?2",
                           -1, &query_, nullptr);
        sqlite3_prepare_v2(db_, "UPDATE key_values SET data = ?3 WHERE key = ?1 AND name = ?2", -1,
                           &update_, nullptr);
    }
    ~BareTable() {
        sqlite3_finalize(query_);
        sqlite3_finalize(update_);
        sqlite3_close(db_);
    }

    DWORD Query() {
        sqlite3_bind_int64(query_, 1, 2);
        sqlite3_bind_text(query_, 2, kValueName, -1, SQLITE_STATIC);
        DWORD value = 0;
        if (sqlite3_step(query_) == SQLITE_ROW && sqlite3_column_int(query_, 0) == REG_DWORD &&
            sqlite3_column_bytes(query_, 1) == sizeof value)
            memcpy(&value, sqlite3_column_blob(query_, 1), sizeof value);
        sqlite3_reset(query_);
        return value;
    }

    void Update(DWORD value) {
        sqlite3_bind_int64(update_, 1, 2);
        sqlite3_bind_text(update_, 2, kValueName, -1, SQLITE_STATIC);
        sqlite3_bind_blob(update_, 3, &value, sizeof value, SQLITE_STATIC);
        sqlite3_step(update_);
        sqlite3_reset(update_);
    }

  private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* query_ = nullptr;
    sqlite3_stmt* update_ = nullptr;
};

std::string g_directory;

// Times BARE and REGISTRY, each run kBatch times per iteration.
template <class Bare, class Registry>
void Compare(benchmark::State& state, Bare bare, Registry registry) {
    using Clock = std::chrono::steady_clock;
    Clock::duration bare_time{}, registry_time{};
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        for (int index = 0; index < kBatch; ++index) bare(index);
        Clock::time_point middle = Clock::now();
        for (int index = 0; index < kBatch; ++index) registry(index);
        Clock::time_point end = Clock::now();
        bare_time += middle - start;
        registry_time += end - middle;
    }
    double calls = static_cast<double>(state.iterations()) * kBatch;
    state.counters["sqlite_ns"] =
        std::chrono::duration<double, std::nano>(bare_time).count() / calls;
    state.counters["registry_ns"] =
        std::chrono::duration<double, std::nano>(registry_time).count() / calls;
    state.counters["ratio"] = std::chrono::duration<double>(registry_time).count() /
                              std::chrono::duration<double>(bare_time).count();
}

HKEY BenchKey() {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Bench", 0, nullptr, REG_OPTION_NON_VOLATILE,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    DWORD value = 0;
    RegSetValueExA(key, kValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
    return key;
}

void BM_QueryValue(benchmark::State& state) {
    BareTable table(g_directory + "/query.db");
    HKEY key = BenchKey();
    Compare(
        state, [&](int) { benchmark::DoNotOptimize(table.Query()); },
        [&](int) {
            DWORD value = 0, type = 0, size = sizeof value;
            RegQueryValueExA(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                             &size);
            benchmark::DoNotOptimize(value);
        });
    RegCloseKey(key);
}
BENCHMARK(BM_QueryValue);

void BM_SetValue(benchmark::State& state) {
    BareTable table(g_directory + "/update.db");
    HKEY key = BenchKey();
    Compare(
        state, [&](int index) { table.Update(static_cast<DWORD>(index)); },
        [&](int index) {
            DWORD value = static_cast<DWORD>(index);
            RegSetValueExA(key, kValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value);
        });
    RegCloseKey(key);
}
BENCHMARK(BM_SetValue);

}  // namespace

int main(int argc, char** argv) {
    // Hives of our own, never the user's settings.
    std::string pattern = (std::filesystem::temp_directory_path() / "kmx512-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 2;
    g_directory = pattern;
    setenv("KMX512_RUNTIME_DIR", (g_directory + "/run").c_str(), 1);
    setenv("KMX512_HKCU", (g_directory + "/HKCU.db").c_str(), 1);
    setenv("KMX512_HKLM", (g_directory + "/HKLM.db").c_str(), 1);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(g_directory, ignored);
    return 0;
}
