// RegQueryValueExA, RegSetValueExA and RegEnumValueA beside the bare SQLite
// work they stand on: a point query, a single-row update and a step to the
// next name of a table shaped like the hive's value table, in a database set
// up like a hive (WAL, synchronous NORMAL). Each benchmark times batches of
// both alternately in the same run and reports the cost per call of each and
// their ratio. The enumeration goes through a key of many values, whose cost
// per value must not grow with their number.
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
constexpr int kManyValues = 20000;

std::string ManyValueName(int index) {
    char name[16];
    snprintf(name, sizeof name, "v%05d", index);
    return name;
}

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
        sqlite3_prepare_v2(db_,
                           "SELECT name FROM key_values WHERE key = ?1 AND name > ?2"
                           " ORDER BY name LIMIT 1",
                           -1, &next_, nullptr);
    }
    ~BareTable() {
        sqlite3_finalize(query_);
        sqlite3_finalize(update_);
        sqlite3_finalize(next_);
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

    // Adds the values ManyValueName(0 ..) to the table.
    void Fill() {
        sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
        for (int index = 0; index < kManyValues; ++index) {
            std::string insert =
                "INSERT INTO key_values VALUES(2, '" + ManyValueName(index) + "', 4, x'00000000')";
            sqlite3_exec(db_, insert.c_str(), nullptr, nullptr, nullptr);
        }
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    }

    // The name after the one the last call found; the first at INDEX 0.
    void Next(int index) {
        if (index == 0) last_.clear();
        sqlite3_bind_int64(next_, 1, 2);
        sqlite3_bind_text(next_, 2, last_.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(next_) == SQLITE_ROW)
            last_ = reinterpret_cast<const char*>(sqlite3_column_text(next_, 0));
        sqlite3_reset(next_);
    }

  private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* query_ = nullptr;
    sqlite3_stmt* update_ = nullptr;
    sqlite3_stmt* next_ = nullptr;
    std::string last_;
};

std::string g_directory;

// Times BARE and REGISTRY, each run BATCH times per iteration.
template <class Bare, class Registry>
void Compare(benchmark::State& state, Bare bare, Registry registry, int batch = kBatch) {
    using Clock = std::chrono::steady_clock;
    Clock::duration bare_time{}, registry_time{};
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        for (int index = 0; index < batch; ++index) bare(index);
        Clock::time_point middle = Clock::now();
        for (int index = 0; index < batch; ++index) registry(index);
        Clock::time_point end = Clock::now();
        bare_time += middle - start;
        registry_time += end - middle;
    }
    double calls = static_cast<double>(state.iterations()) * batch;
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

void BM_EnumerateManyValues(benchmark::State& state) {
    BareTable table(g_directory + "/many.db");
    table.Fill();
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Bench\\Many", 0, nullptr, REG_OPTION_NON_VOLATILE,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    for (int index = 0; index < kManyValues; ++index) {
        DWORD value = 0;
        RegSetValueExA(key, ManyValueName(index).c_str(), 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    Compare(
        state, [&](int index) { table.Next(index); },
        [&](int index) {
            char name[16];
            DWORD chars = sizeof name;
            RegEnumValueA(key, static_cast<DWORD>(index), name, &chars, nullptr, nullptr, nullptr,
                          nullptr);
            benchmark::DoNotOptimize(name);
        },
        kManyValues);
    RegCloseKey(key);
}
BENCHMARK(BM_EnumerateManyValues)->Iterations(3);

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
