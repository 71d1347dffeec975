// The hive store.
//
// Layout: a table of keys (id, parent, name, creation or last sub-key change
// time, sub-key change counter) and a table of values (key, name, type,
// data). Names carry the NOCASE collation, which gives the registry's
// case-insensitive, case-preserving names for ASCII. Each key also has a
// change row among its values, named by a NUL character (which no caller can
// pass in a name): its type counts the changes of the key's values and its
// data holds the time of the last one. Kept beside the values, it shares
// their page, so a value write changes one page, as a bare update would (each
// page a commit writes costs a frame of the log, and the checkpoints that
// follow). The file is marked with our application id and schema version;
// any other database, or a file that is not a database or fails SQLite's
// integrity check, is refused with ERROR_BADDB and never written.
//
// Concurrency: the database runs in WAL mode, so readers never wait for
// writers. Every write is one BEGIN IMMEDIATE transaction, which takes the
// write lock before reading, so two writers never have to give up on each
// other; a busy database is waited for (busy handler, and whole transactions
// retried for the rare busy results SQLite gives without consulting it), for
// a few seconds at most: a lock held longer is held by a stuck process, or
// the file was damaged under its users, and the call fails with
// ERROR_REGISTRY_IO_FAILED rather than hang. synchronous=NORMAL: a committed
// write survives the crash of any process; like Windows' lazily flushed
// hives, only a power loss may take back the last writes. The WAL files are kept when the
// last connection closes, so that a process that may only read the hive
// (whose folder it cannot write) can still open it.
//
// Every write first looks at the file: one removed or replaced under the
// connection is given up for the one now at the path (handles opened on the
// old file answer ERROR_KEY_DELETED, as on a hive that was unloaded); one cut
// short (a hive never shrinks) is damaged, and is neither written nor read
// until it is mended or replaced.
//
// Change notification: every write raises a change counter of the key it
// changes (of its values or of its sub-key names) in the same transaction.
// Watches in this process are told before the writing call returns; changes
// by other processes are picked up by Refresh (driven by the hive monitor),
// which compares the counters of the watched keys with what their watches
// saw last.
#include "registry/hive.h"

#include "kernel/runtime_dir.h"
#include "registry/hive_monitor.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace kmxwin::registry {
namespace {

using Clock = std::chrono::steady_clock;

// Internal results that never reach a caller.
constexpr DWORD kBusy = 0xFFFFFFFF;    // try the statement or transaction again
constexpr DWORD kAbsent = 0xFFFFFFFE;  // the hive file does not exist (yet)
constexpr DWORD kMoved = 0xFFFFFFFD;   // the file at the path is another one now

// How long a call waits for other processes' locks before it gives up. A
// live writer holds the lock for milliseconds.
constexpr Clock::duration kBusyLimit = std::chrono::seconds(5);

// Key ids carry the hive's generation above the row id.
constexpr int kGenerationShift = 48;
constexpr std::int64_t kRowMask = (std::int64_t{1} << kGenerationShift) - 1;

// SQLite never leaves a database file at a size that is not a whole number
// of pages, and pages are at least this large.
constexpr off_t kSmallestPage = 512;

constexpr std::int64_t kApplicationId = 0x4B4D5852;  // "KMXR"
constexpr std::int64_t kSchemaVersion = 1;

constexpr const char* kSchema =
    "CREATE TABLE keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  last_write INTEGER NOT NULL,"
    "  name_serial INTEGER NOT NULL DEFAULT 0);"
    "CREATE UNIQUE INDEX keys_by_parent ON keys(parent, name);"
    "CREATE TABLE key_values("
    "  key INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data BLOB,"
    "  PRIMARY KEY(key, name)) WITHOUT ROWID;"
    "PRAGMA application_id = 1263360082;"
    "PRAGMA user_version = 1;";
static_assert(kApplicationId == 1263360082);

// The statements every call uses, prepared once per connection.
enum StatementIndex {
    kBegin,
    kCommit,
    kRollback,
    kFindKey,
    kReadKey,
    kInsertKey,
    kInsertChangeRow,
    kTouchNames,
    kTouchValues,
    kHasSubKey,
    kDeleteKey,
    kDeleteKeyValues,
    kEnumKey,
    kEnumKeyFrom,
    kEnumKeyAfter,
    kQueryValue,
    kSetValue,
    kDeleteValue,
    kEnumValue,
    kEnumValueFrom,
    kEnumValueAfter,
    kDataVersion,
    kStatementCount
};

constexpr const char* kStatementText[kStatementCount] = {
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT id FROM keys WHERE parent = ?1 AND name = ?2",
    "SELECT k.parent, c.type, k.name_serial FROM keys AS k JOIN key_values AS c"
    " ON c.key = k.id AND c.name = char(0) WHERE k.id = ?1",
    "INSERT INTO keys(parent, name, last_write) VALUES(?1, ?2, ?3)",
    "INSERT INTO key_values(key, name, type, data) VALUES(?1, char(0), 0, ?2)",
    "UPDATE keys SET name_serial = name_serial + 1, last_write = ?2 WHERE id = ?1",
    "UPDATE key_values SET type = type + 1, data = ?2 WHERE key = ?1 AND name = char(0)",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "DELETE FROM keys WHERE id = ?1",
    "DELETE FROM key_values WHERE key = ?1",
    "SELECT k.name, max(k.last_write, c.data) FROM keys AS k JOIN key_values AS c"
    " ON c.key = k.id AND c.name = char(0) WHERE k.parent = ?1 ORDER BY k.name"
    " LIMIT 1 OFFSET ?2",
    "SELECT k.name, max(k.last_write, c.data) FROM keys AS k JOIN key_values AS c"
    " ON c.key = k.id AND c.name = char(0) WHERE k.parent = ?1 AND k.name >= ?2"
    " ORDER BY k.name LIMIT 1",
    "SELECT k.name, max(k.last_write, c.data) FROM keys AS k JOIN key_values AS c"
    " ON c.key = k.id AND c.name = char(0) WHERE k.parent = ?1 AND k.name > ?2"
    " ORDER BY k.name LIMIT 1",
    "SELECT type, data FROM key_values WHERE key = ?1 AND name = ?2",
    "INSERT INTO key_values(key, name, type, data) VALUES(?1, ?2, ?3, ?4) "
    "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM key_values WHERE key = ?1 AND name = ?2",
    "SELECT name, type, data FROM key_values WHERE key = ?1 AND name <> char(0)"
    " ORDER BY name LIMIT 1 OFFSET ?2",
    "SELECT name, type, data FROM key_values WHERE key = ?1 AND name >= ?2 AND name <> char(0)"
    " ORDER BY name LIMIT 1",
    "SELECT name, type, data FROM key_values WHERE key = ?1 AND name > ?2 AND name <> char(0)"
    " ORDER BY name LIMIT 1",
    "PRAGMA data_version",
};

DWORD ErrorFromSqlite(int result) {
    switch (result & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return ERROR_SUCCESS;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return kBusy;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FORMAT:
        case SQLITE_SCHEMA:
        case SQLITE_ERROR:
            return ERROR_BADDB;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return ERROR_ACCESS_DENIED;
        case SQLITE_CANTOPEN:
            return ERROR_CANTOPEN;
        case SQLITE_NOMEM:
        case SQLITE_TOOBIG:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return ERROR_REGISTRY_IO_FAILED;
    }
}

void BackOff(unsigned attempt) {
    usleep(attempt < 20 ? 200 : 2000);
}

// Now as a FILETIME: 100-nanosecond intervals since 1601.
std::int64_t FileTimeNow() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return 116444736000000000LL + static_cast<std::int64_t>(now.tv_sec) * 10000000 +
           now.tv_nsec / 100;
}

void BindName(sqlite3_stmt* statement, int index, std::string_view name) {
    sqlite3_bind_text(statement, index, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
}

// Stores a name in a caller's buffer of *CHARS characters (terminator
// included); on success *CHARS becomes the length without the terminator.
DWORD CopyName(const unsigned char* text, int length, LPSTR name, LPDWORD chars) {
    DWORD needed = static_cast<DWORD>(length);
    if (*chars < needed + 1) return ERROR_MORE_DATA;
    memcpy(name, text, needed);
    name[needed] = '\0';
    *chars = needed;
    return ERROR_SUCCESS;
}

// RegQueryValueExA's data rules: with no buffer only the size is reported;
// a buffer that is too small gets nothing and the size needed.
DWORD CopyData(const void* bytes, int length, LPBYTE data, LPDWORD size) {
    DWORD needed = static_cast<DWORD>(length);
    if (!size) return ERROR_SUCCESS;
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data && needed) memcpy(data, bytes, needed);
    *size = needed;
    return ERROR_SUCCESS;
}

}  // namespace

// A prepared statement; Use resets it when the caller is done with its row.
struct Hive::Statement {
    sqlite3_stmt* statement = nullptr;

    ~Statement() { sqlite3_finalize(statement); }

    class Use {
      public:
        explicit Use(Statement& owner) : statement_(owner.statement) {}
        ~Use() { sqlite3_reset(statement_); }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        sqlite3_stmt* operator*() const { return statement_; }

      private:
        sqlite3_stmt* statement_;
    };
};

Hive::Hive(std::string path, mode_t directory_mode)
    : path_(std::move(path)), directory_mode_(directory_mode) {}

Hive::~Hive() {
    statements_.clear();
    sqlite3_close(db_);
}

// Another connection holds the lock we need: wait a little and ask again,
// up to the limit.
int Hive::WaitWhileBusy(void* hive, int attempts) {
    Clock::time_point& since = static_cast<Hive*>(hive)->busy_since_;
    if (attempts == 0) since = Clock::now();
    if (Clock::now() - since >= kBusyLimit) return 0;
    usleep(attempts < 20 ? 100 : 2000);
    return 1;
}

template <class Body>
DWORD Hive::Retry(Body&& body) {
    const Clock::time_point give_up = Clock::now() + kBusyLimit;
    for (unsigned attempt = 0;; ++attempt) {
        DWORD error = body();
        if (error != kBusy) return error;
        if (Clock::now() >= give_up) return ERROR_REGISTRY_IO_FAILED;
        BackOff(attempt);
    }
}

template <class Body>
DWORD Hive::Transact(Body&& body) {
    return Retry([&]() -> DWORD {
        DWORD error = ErrorFromSqlite(sqlite3_step(statements_[kBegin]->statement));
        sqlite3_reset(statements_[kBegin]->statement);
        if (error != ERROR_SUCCESS) return error;
        error = body();
        if (error == ERROR_SUCCESS) {
            error = ErrorFromSqlite(sqlite3_step(statements_[kCommit]->statement));
            sqlite3_reset(statements_[kCommit]->statement);
        }
        if (!sqlite3_get_autocommit(db_)) {
            sqlite3_step(statements_[kRollback]->statement);
            sqlite3_reset(statements_[kRollback]->statement);
        }
        return error;
    });
}

namespace {

std::int64_t ModifiedTime(const struct stat& info) {
    return std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
}

}  // namespace

// Connects to the hive file. kAbsent when it does not exist and CREATE is
// not set. A failure is not remembered: a hive that is mended, or created by
// another process, is used from the next call on. Only a file found damaged
// under the connection is refused for as long as it stays as it was. Before
// a WRITE the connected file is looked at again (a look costs a system call,
// which reads need not pay: SQLite itself refuses the pages it cannot read).
DWORD Hive::Attach(bool create, bool write) {
    if (db_) {
        DWORD error = write ? CheckFile() : ERROR_SUCCESS;
        if (error != kMoved) return error;
    }
    struct stat info;
    bool exists = stat(path_.c_str(), &info) == 0;
    if (exists && damaged_) {
        if (*damaged_ == FileState{info.st_dev, info.st_ino, info.st_size, ModifiedTime(info)})
            return ERROR_BADDB;
        damaged_.reset();
    }
    if (!exists) {
        if (errno != ENOENT) return ErrorFromErrno(errno);
        if (!create) return kAbsent;
        std::filesystem::path folder = std::filesystem::path(path_).parent_path();
        std::error_code error;
        if (!folder.empty() && std::filesystem::create_directories(folder, error))
            chmod(folder.c_str(), directory_mode_);
        if (error) return ErrorFromErrno(error.value());
    } else if (!S_ISREG(info.st_mode)) {
        return ERROR_CANTOPEN;
    } else if (info.st_size == 0 && !create) {
        // A hive whose creation never got to its first commit.
        return kAbsent;
    }
    DWORD error = OpenDatabase(create);
    if (error == ERROR_SUCCESS) error = Prepare();
    if (error == ERROR_SUCCESS && stat(path_.c_str(), &info) != 0) error = ErrorFromErrno(errno);
    if (error != ERROR_SUCCESS) {
        statements_.clear();
        sqlite3_close(db_);
        db_ = nullptr;
        return error;
    }
    file_ = {info.st_dev, info.st_ino, info.st_size, ModifiedTime(info)};
    return ERROR_SUCCESS;
}

// Looks at the connected file before a call: ERROR_SUCCESS while it is the
// one at the path and whole; kMoved, with the connection given up, when it
// was removed or replaced; ERROR_BADDB when it was cut short under the
// connection.
DWORD Hive::CheckFile() {
    struct stat info;
    if (stat(path_.c_str(), &info) != 0 || info.st_dev != file_.device ||
        info.st_ino != file_.inode) {
        // The old file is nobody's hive any more; closing may fold the log
        // into it as usual.
        Detach(true);
        return kMoved;
    }
    if (info.st_size < file_.size || info.st_size % kSmallestPage != 0) {
        // Folding the log into what is left would only make it worse.
        Detach(false);
        damaged_ = FileState{info.st_dev, info.st_ino, info.st_size, ModifiedTime(info)};
        return ERROR_BADDB;
    }
    file_.size = info.st_size;
    return ERROR_SUCCESS;
}

// Gives up the connection: the keys it handed out are gone, and so are the
// watches on them. CHECKPOINT lets SQLite fold the log into the file as it
// closes.
void Hive::Detach(bool checkpoint) {
    statements_.clear();
    if (!checkpoint) sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close(db_);
    db_ = nullptr;
    ++generation_;
    for (KeyObject* object : watched_) object->watch->Observe(std::nullopt);
}

// The row of KEY in the connected file; ERROR_KEY_DELETED for a key handed
// out by an earlier connection (the root is the same row in every hive).
DWORD Hive::RowOf(KeyId key, KeyRow* row) const {
    if (key != kRootKey && key >> kGenerationShift != generation_) return ERROR_KEY_DELETED;
    *row = key & kRowMask;
    return ERROR_SUCCESS;
}

KeyId Hive::Tag(KeyRow row) const {
    return row == kRootKey ? row : row | generation_ << kGenerationShift;
}

bool Hive::Watched(KeyRow row) const {
    return std::any_of(watched_.begin(), watched_.end(),
                       [&](const KeyObject* object) { return object->id == Tag(row); });
}

// Opens the file and checks that it is a hive, making a new or empty file
// one when CREATE is set. Leaves db_ set (also on failure, for Attach to
// close).
DWORD Hive::OpenDatabase(bool create) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int result = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
    if (result != SQLITE_OK) {
        int error = db_ ? sqlite3_system_errno(db_) : 0;
        return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED
                                                                   : ErrorFromSqlite(result);
    }
    sqlite3_busy_handler(db_, WaitWhileBusy, this);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    int keep_wal = 1;
    sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &keep_wal);
    read_only_ = sqlite3_db_readonly(db_, "main") == 1;

    enum class Kind { Hive, Empty, Foreign };
    auto inspect = [&](Kind* kind) {
        return Retry([&]() -> DWORD {
            sqlite3_stmt* statement = nullptr;
            int step =
                sqlite3_prepare_v2(db_,
                                   "SELECT (SELECT application_id FROM pragma_application_id),"
                                   " (SELECT user_version FROM pragma_user_version),"
                                   " (SELECT count(*) FROM sqlite_schema),"
                                   " (SELECT group_concat(quick_check) FROM pragma_quick_check)",
                                   -1, &statement, nullptr);
            if (step == SQLITE_OK) step = sqlite3_step(statement);
            DWORD error = step == SQLITE_ROW                         ? ERROR_SUCCESS
                          : step == SQLITE_OK || step == SQLITE_DONE ? ERROR_BADDB
                                                                     : ErrorFromSqlite(step);
            if (error == ERROR_SUCCESS) {
                const unsigned char* check = sqlite3_column_text(statement, 3);
                if (sqlite3_column_int64(statement, 2) == 0 &&
                    sqlite3_column_int64(statement, 0) == 0)
                    *kind = Kind::Empty;
                else if (sqlite3_column_int64(statement, 0) == kApplicationId &&
                         sqlite3_column_int64(statement, 1) == kSchemaVersion && check &&
                         strcmp(reinterpret_cast<const char*>(check), "ok") == 0)
                    *kind = Kind::Hive;
                else
                    *kind = Kind::Foreign;
            }
            sqlite3_finalize(statement);
            return error;
        });
    };
    Kind kind;
    DWORD error = inspect(&kind);
    if (error != ERROR_SUCCESS) return error;
    if (kind == Kind::Foreign) return ERROR_BADDB;
    if (kind == Kind::Empty) {
        if (!create) return kAbsent;
        if (read_only_) return ERROR_ACCESS_DENIED;
    }
    if (!read_only_) {
        error = Retry([&] {
            return ErrorFromSqlite(
                sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr));
        });
        if (error != ERROR_SUCCESS) return error;
    }
    sqlite3_exec(db_, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    if (kind == Kind::Empty) {
        // Another process may be making the same file a hive: look again
        // under the write lock.
        error = Retry([&]() -> DWORD {
            DWORD step =
                ErrorFromSqlite(sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
            if (step == ERROR_SUCCESS) step = inspect(&kind);
            if (step == ERROR_SUCCESS && kind == Kind::Empty) {
                std::string now = std::to_string(FileTimeNow());
                std::string make =
                    std::string(kSchema) +
                    "INSERT INTO keys(id, parent, name, last_write) VALUES(1, 0, '', " + now +
                    "); INSERT INTO key_values VALUES(1, char(0), 0, " + now + ");";
                step = ErrorFromSqlite(sqlite3_exec(db_, make.c_str(), nullptr, nullptr, nullptr));
            }
            if (step == ERROR_SUCCESS && kind == Kind::Foreign) step = ERROR_BADDB;
            if (step == ERROR_SUCCESS)
                step = ErrorFromSqlite(sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr));
            if (!sqlite3_get_autocommit(db_))
                sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return step;
        });
    }
    return error;
}

DWORD Hive::Prepare() {
    for (const char* text : kStatementText) {
        auto statement = std::make_unique<Statement>();
        int result = sqlite3_prepare_v3(db_, text, -1, SQLITE_PREPARE_PERSISTENT,
                                        &statement->statement, nullptr);
        if (result != SQLITE_OK) return ErrorFromSqlite(result);
        statements_.push_back(std::move(statement));
    }
    return ERROR_SUCCESS;
}

DWORD Hive::WriteAccess() {
    std::lock_guard guard(lock_);
    DWORD error = Attach(false);
    if (error == kAbsent) return ERROR_SUCCESS;
    if (error == ERROR_SUCCESS && read_only_) return ERROR_ACCESS_DENIED;
    return error;
}

// Follows PATH from BASE as far as it exists: *REACHED is the last key found
// and *FOUND the number of names matched. ERROR_KEY_DELETED when BASE itself
// is gone.
DWORD Hive::Walk(KeyRow base, const KeyPath& path, KeyRow* reached, size_t* found) {
    KeyRow at = base;
    size_t index = 0;
    for (; index < path.size(); ++index) {
        Statement::Use find(*statements_[kFindKey]);
        sqlite3_bind_int64(*find, 1, at);
        BindName(*find, 2, path[index]);
        int result = sqlite3_step(*find);
        if (result == SQLITE_DONE) break;
        if (result != SQLITE_ROW) return ErrorFromSqlite(result);
        at = sqlite3_column_int64(*find, 0);
    }
    if (index == 0) {
        DWORD error = KeyGone(base, ERROR_SUCCESS);
        if (error != ERROR_SUCCESS) return error;
    }
    *reached = at;
    *found = index;
    return ERROR_SUCCESS;
}

// Reads KEY's parent and change counters; ERROR_KEY_DELETED when it is gone.
DWORD Hive::ReadKey(KeyRow key, KeyRow* parent, KeyStamp* stamp) {
    Statement::Use read(*statements_[kReadKey]);
    sqlite3_bind_int64(*read, 1, key);
    int result = sqlite3_step(*read);
    if (result == SQLITE_DONE) return ERROR_KEY_DELETED;
    if (result != SQLITE_ROW) return ErrorFromSqlite(result);
    if (parent) *parent = sqlite3_column_int64(*read, 0);
    if (stamp) *stamp = {sqlite3_column_int64(*read, 1), sqlite3_column_int64(*read, 2)};
    return ERROR_SUCCESS;
}

// OTHERWISE, or ERROR_KEY_DELETED when KEY no longer exists: what a lookup
// that found nothing below KEY means.
DWORD Hive::KeyGone(KeyRow key, DWORD otherwise) {
    if (key == kRootKey) return otherwise;
    DWORD error = ReadKey(key, nullptr, nullptr);
    return error == ERROR_SUCCESS ? otherwise : error;
}

// Raises one of KEY's change counters (STATEMENT) and stamps the time of the
// change. When KEY is watched, *STAMP receives its counters after the change
// and *WATCHED is set. ERROR_KEY_DELETED when KEY is gone.
DWORD Hive::Touch(Statement& statement, KeyRow key, KeyStamp* stamp, bool* watched) {
    {
        Statement::Use touch(statement);
        sqlite3_bind_int64(*touch, 1, key);
        sqlite3_bind_int64(*touch, 2, FileTimeNow());
        DWORD error = ErrorFromSqlite(sqlite3_step(*touch));
        if (error != ERROR_SUCCESS) return error;
        if (sqlite3_changes(db_) == 0) return ERROR_KEY_DELETED;
    }
    *watched = Watched(key);
    return *watched ? ReadKey(key, nullptr, stamp) : ERROR_SUCCESS;
}

void Hive::Deliver(KeyRow key, const KeyStamp* stamp) {
    for (KeyObject* object : watched_) {
        if (object->id != Tag(key)) continue;
        object->watch->Observe(stamp ? std::optional<KeyStamp>(*stamp) : std::nullopt);
    }
}

DWORD Hive::FindKey(KeyId base, const KeyPath& path, KeyId* key) {
    std::lock_guard guard(lock_);
    DWORD error = Attach(false);
    if (error == kAbsent) return path.empty() ? (*key = base, ERROR_SUCCESS) : ERROR_FILE_NOT_FOUND;
    KeyRow row = 0;
    if (error == ERROR_SUCCESS) error = RowOf(base, &row);
    if (error != ERROR_SUCCESS) return error;
    return Retry([&]() -> DWORD {
        size_t found = 0;
        KeyRow reached = 0;
        DWORD walked = Walk(row, path, &reached, &found);
        if (walked != ERROR_SUCCESS) return walked;
        *key = Tag(reached);
        return found == path.size() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

DWORD Hive::CreateKey(KeyId base_key, const KeyPath& path, KeyId* result, bool* created) {
    std::lock_guard guard(lock_);
    *created = false;
    DWORD error = Attach(true, true);
    KeyRow base = 0;
    if (error == ERROR_SUCCESS) error = RowOf(base_key, &base);
    if (error != ERROR_SUCCESS) return error;
    size_t found = 0;
    KeyRow row = 0;
    KeyRow* key = &row;
    error = Retry([&] { return Walk(base, path, key, &found); });
    *result = Tag(row);
    if (error != ERROR_SUCCESS || found == path.size()) return error;
    if (read_only_) return ERROR_ACCESS_DENIED;

    KeyRow parent = 0;
    KeyStamp stamp;
    bool watched = false;
    error = Transact([&]() -> DWORD {
        // Look again under the write lock: another process may have made
        // some of the keys meanwhile, or deleted the base.
        DWORD step = Walk(base, path, &parent, &found);
        *key = parent;
        std::int64_t now = FileTimeNow();
        for (size_t index = found; step == ERROR_SUCCESS && index < path.size(); ++index) {
            Statement::Use insert(*statements_[kInsertKey]);
            sqlite3_bind_int64(*insert, 1, *key);
            BindName(*insert, 2, path[index]);
            sqlite3_bind_int64(*insert, 3, now);
            step = ErrorFromSqlite(sqlite3_step(*insert));
            *key = sqlite3_last_insert_rowid(db_);
            if (step != ERROR_SUCCESS) break;
            Statement::Use change(*statements_[kInsertChangeRow]);
            sqlite3_bind_int64(*change, 1, *key);
            sqlite3_bind_int64(*change, 2, now);
            step = ErrorFromSqlite(sqlite3_step(*change));
        }
        if (step == ERROR_SUCCESS && found < path.size())
            step = Touch(*statements_[kTouchNames], parent, &stamp, &watched);
        return step;
    });
    *result = Tag(row);
    if (error != ERROR_SUCCESS || found == path.size()) return error;
    *created = true;
    if (watched) Deliver(parent, &stamp);
    return ERROR_SUCCESS;
}

DWORD Hive::DeleteKey(KeyId base_key, const KeyPath& path) {
    std::lock_guard guard(lock_);
    DWORD error = Attach(false, true);
    if (error == kAbsent) return path.empty() ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    KeyRow base = 0;
    if (error == ERROR_SUCCESS) error = RowOf(base_key, &base);
    if (error != ERROR_SUCCESS) return error;
    KeyRow target = 0, parent = 0;
    KeyStamp stamp;
    bool watched = false;
    // Resolves the key and tells why it may not be deleted.
    auto check = [&]() -> DWORD {
        size_t found = 0;
        DWORD step = Walk(base, path, &target, &found);
        if (step != ERROR_SUCCESS) return step;
        if (found < path.size()) return ERROR_FILE_NOT_FOUND;
        if (target == kRootKey) return ERROR_ACCESS_DENIED;
        Statement::Use children(*statements_[kHasSubKey]);
        sqlite3_bind_int64(*children, 1, target);
        int result = sqlite3_step(*children);
        if (result == SQLITE_ROW) return ERROR_ACCESS_DENIED;
        return ErrorFromSqlite(result);
    };
    error = Retry(check);
    if (error == ERROR_SUCCESS && read_only_) error = ERROR_ACCESS_DENIED;
    if (error != ERROR_SUCCESS) return error;
    error = Transact([&]() -> DWORD {
        DWORD step = check();
        if (step == ERROR_SUCCESS) step = ReadKey(target, &parent, nullptr);
        for (StatementIndex index : {kDeleteKeyValues, kDeleteKey}) {
            if (step != ERROR_SUCCESS) break;
            Statement::Use remove(*statements_[index]);
            sqlite3_bind_int64(*remove, 1, target);
            step = ErrorFromSqlite(sqlite3_step(*remove));
        }
        if (step == ERROR_SUCCESS)
            step = Touch(*statements_[kTouchNames], parent, &stamp, &watched);
        return step;
    });
    if (error != ERROR_SUCCESS) return error;
    if (watched) Deliver(parent, &stamp);
    Deliver(target, nullptr);
    return ERROR_SUCCESS;
}

// The prepared statement INDEX with KEY bound as its first parameter.
Hive::Statement& Hive::Keyed(int index, KeyRow key) {
    Statement& statement = *statements_[index];
    sqlite3_bind_int64(statement.statement, 1, key);
    return statement;
}

// Runs the one-row query that QUERY picks and binds for KEY's row and hands
// the row to READ. NONE answers for a missing row, or for a hive that does
// not exist yet; ERROR_KEY_DELETED when KEY is gone.
template <class Query, class Read>
DWORD Hive::ReadRow(KeyId key_id, DWORD none, Query&& query, Read&& read) {
    std::lock_guard guard(lock_);
    DWORD error = Attach(false);
    if (error == kAbsent) return none;
    KeyRow key = 0;
    if (error == ERROR_SUCCESS) error = RowOf(key_id, &key);
    if (error != ERROR_SUCCESS) return error;
    return Retry([&]() -> DWORD {
        Statement::Use row(query(key));
        int result = sqlite3_step(*row);
        if (result == SQLITE_DONE) return KeyGone(key, none);
        if (result != SQLITE_ROW) return ErrorFromSqlite(result);
        return read(*row);
    });
}

// The row at INDEX of OBJECT's sub-keys or values (WHICH is the handle's
// cursor on them; STATEMENTS find a row by offset, from a name and after a
// name), handed to READ. An enumeration that goes through the indexes in
// turn finds each row from the name before it, at the cost of one step,
// where an offset would cost as many steps as it skips.
template <class Read>
DWORD Hive::Enumerate(KeyObject& object, EnumCursor KeyObject::*which, const int (&statements)[3],
                      DWORD index, Read&& read) {
    EnumCursor& cursor = object.*which;
    return ReadRow(
        object.id, ERROR_NO_MORE_ITEMS,
        [&](KeyRow key) -> Statement& {
            const bool valid = cursor.valid;
            cursor.valid = false;
            const int kind = !valid                      ? 0
                             : index == cursor.index     ? 1
                             : index == cursor.index + 1 ? 2
                                                         : 0;
            Statement& query = Keyed(statements[kind], key);
            if (kind == 0)
                sqlite3_bind_int64(query.statement, 2, index);
            else
                sqlite3_bind_text(query.statement, 2, cursor.name.data(),
                                  static_cast<int>(cursor.name.size()), SQLITE_TRANSIENT);
            return query;
        },
        [&](sqlite3_stmt* row) {
            cursor.name.assign(reinterpret_cast<const char*>(sqlite3_column_text(row, 0)),
                               static_cast<size_t>(sqlite3_column_bytes(row, 0)));
            cursor.index = index;
            cursor.valid = true;
            return read(row);
        });
}

DWORD Hive::EnumKey(KeyObject& key, DWORD index, LPSTR name, LPDWORD name_chars,
                    PFILETIME last_write) {
    static constexpr int kStatements[] = {kEnumKey, kEnumKeyFrom, kEnumKeyAfter};
    return Enumerate(key, &KeyObject::sub_keys, kStatements, index, [&](sqlite3_stmt* row) {
        DWORD copied =
            CopyName(sqlite3_column_text(row, 0), sqlite3_column_bytes(row, 0), name, name_chars);
        if (copied == ERROR_SUCCESS && last_write) {
            auto time = static_cast<std::uint64_t>(sqlite3_column_int64(row, 1));
            last_write->dwLowDateTime = static_cast<DWORD>(time);
            last_write->dwHighDateTime = static_cast<DWORD>(time >> 32);
        }
        return copied;
    });
}

DWORD Hive::QueryValue(KeyId key, LPCSTR name, LPDWORD type, LPBYTE data, LPDWORD size) {
    return ReadRow(
        key, ERROR_FILE_NOT_FOUND,
        [&](KeyRow row) -> Statement& {
            Statement& query = Keyed(kQueryValue, row);
            BindName(query.statement, 2, name);
            return query;
        },
        [&](sqlite3_stmt* row) {
            if (type) *type = static_cast<DWORD>(sqlite3_column_int64(row, 0));
            return CopyData(sqlite3_column_blob(row, 1), sqlite3_column_bytes(row, 1), data, size);
        });
}

// Runs the value write STATEMENT on KEY's value NAME (BIND sets its other
// parameters) and counts the change in KEY's change row, in one
// transaction. CREATE makes a missing hive; ERROR_FILE_NOT_FOUND when the
// statement changed nothing.
template <class Bind>
DWORD Hive::WriteValue(int statement, KeyId key_id, LPCSTR name, bool create, Bind&& bind) {
    std::lock_guard guard(lock_);
    DWORD error = Attach(create, true);
    if (error == kAbsent) return ERROR_FILE_NOT_FOUND;
    if (error == ERROR_SUCCESS && read_only_) error = ERROR_ACCESS_DENIED;
    KeyRow key = 0;
    if (error == ERROR_SUCCESS) error = RowOf(key_id, &key);
    if (error != ERROR_SUCCESS) return error;
    KeyStamp stamp;
    bool watched = false;
    error = Transact([&]() -> DWORD {
        {
            Statement::Use write(*statements_[statement]);
            sqlite3_bind_int64(*write, 1, key);
            BindName(*write, 2, name);
            bind(*write);
            DWORD step = ErrorFromSqlite(sqlite3_step(*write));
            if (step != ERROR_SUCCESS) return step;
            if (sqlite3_changes(db_) == 0) return KeyGone(key, ERROR_FILE_NOT_FOUND);
        }
        // Also tells whether the key still exists; when it does not, the
        // write above is rolled back.
        return Touch(*statements_[kTouchValues], key, &stamp, &watched);
    });
    if (error == ERROR_SUCCESS && watched) Deliver(key, &stamp);
    return error;
}

DWORD Hive::SetValue(KeyId key, LPCSTR name, DWORD type, const BYTE* data, DWORD size) {
    return WriteValue(kSetValue, key, name, true, [&](sqlite3_stmt* set) {
        sqlite3_bind_int64(set, 3, type);
        sqlite3_bind_blob64(set, 4, data ? data : reinterpret_cast<const BYTE*>(""), size,
                            SQLITE_STATIC);
    });
}

DWORD Hive::DeleteValue(KeyId key, LPCSTR name) {
    return WriteValue(kDeleteValue, key, name, false, [](sqlite3_stmt*) {});
}

DWORD Hive::EnumValue(KeyObject& key, DWORD index, LPSTR name, LPDWORD name_chars, LPDWORD type,
                      LPBYTE data, LPDWORD size) {
    static constexpr int kStatements[] = {kEnumValue, kEnumValueFrom, kEnumValueAfter};
    return Enumerate(key, &KeyObject::values, kStatements, index, [&](sqlite3_stmt* row) {
        DWORD copied =
            CopyName(sqlite3_column_text(row, 0), sqlite3_column_bytes(row, 0), name, name_chars);
        if (copied != ERROR_SUCCESS) return copied;
        if (type) *type = static_cast<DWORD>(sqlite3_column_int64(row, 1));
        return CopyData(sqlite3_column_blob(row, 2), sqlite3_column_bytes(row, 2), data, size);
    });
}

DWORD Hive::Watch(KeyObject& object, DWORD filter, HANDLE wake) {
    std::lock_guard guard(lock_);
    if (object.closed) return ERROR_INVALID_HANDLE;
    if (!object.watch) {
        DWORD error = Attach(true);
        if (error != ERROR_SUCCESS) return error;
        // Other processes' changes are looked for from now on, before the
        // watch takes its first look, so that none falls between the two.
        MonitorHive(this);
        KeyStamp stamp;
        KeyRow row = 0;
        error = RowOf(object.id, &row);
        if (error == ERROR_SUCCESS) error = Retry([&] { return ReadKey(row, nullptr, &stamp); });
        if (error != ERROR_SUCCESS) return error;
        object.watch = std::make_unique<KeyWatch>(stamp);
        watched_.push_back(&object);
    }
    return object.watch->Arm(filter, wake);
}

void Hive::EndWatch(KeyObject& object) {
    std::lock_guard guard(lock_);
    object.closed = true;
    if (!object.watch) return;
    std::erase(watched_, &object);
    object.watch.reset();
}

void Hive::Refresh() {
    std::lock_guard guard(lock_);
    if (!db_ || watched_.empty()) return;
    // data_version changes only when another connection has committed.
    std::int64_t version = 0;
    DWORD error = Retry([&]() -> DWORD {
        Statement::Use read(*statements_[kDataVersion]);
        int result = sqlite3_step(*read);
        if (result != SQLITE_ROW) return ErrorFromSqlite(result);
        version = sqlite3_column_int64(*read, 0);
        return ERROR_SUCCESS;
    });
    if (error != ERROR_SUCCESS || version == data_version_) return;
    data_version_ = version;
    for (KeyObject* object : watched_) {
        KeyStamp stamp;
        KeyRow row = 0;
        error = RowOf(object->id, &row);
        if (error == ERROR_SUCCESS) error = Retry([&] { return ReadKey(row, nullptr, &stamp); });
        if (error == ERROR_SUCCESS)
            object->watch->Observe(stamp);
        else if (error == ERROR_KEY_DELETED)
            object->watch->Observe(std::nullopt);
    }
}

}  // namespace kmxwin::registry
