// One hive file: the keys and values below a predefined key, kept in an
// SQLite 3 database that any number of processes use at once.
#pragma once

#include <windows.h>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/key_watch.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kmxwin::registry {

// Keys are rows; a row's id never comes back once the key is deleted, so a
// handle on a deleted key can tell that it is. The ids a hive hands out also
// carry the number of times it had to connect to a new hive file, so that a
// handle on a file that has since been replaced tells that it is gone too.
using KeyId = std::int64_t;
inline constexpr KeyId kRootKey = 1;
// A key's row in the connected file: a key id without its generation.
using KeyRow = std::int64_t;

// Deeper keys are refused, as Windows refuses them.
inline constexpr size_t kMaxKeyDepth = 512;

// Where an enumeration of one handle stopped last: the name found at an
// index, so that the next index is found after it.
struct EnumCursor {
    DWORD index = 0;
    std::string name;
    bool valid = false;
};

// The names of a key path, root side first.
using KeyPath = std::vector<std::string_view>;

class Hive;

// The key behind one HKEY.
struct KeyObject {
    KeyObject(Hive* hive, KeyId id, ACCESS_MASK access, size_t depth = 0)
        : hive(hive), id(id), access(access), depth(depth) {}

    Hive* hive;
    KeyId id;
    ACCESS_MASK access;
    // Levels below the predefined key.
    size_t depth;
    // Guarded by the hive's lock.
    std::unique_ptr<KeyWatch> watch;
    bool closed = false;
    EnumCursor sub_keys, values;
};

// Every member takes the hive's lock, so one connection serves all threads
// of the process. Results are Windows error codes; a hive file that does not
// exist yet reads as an empty hive and is created by the first write. No
// call waits more than a few seconds for other processes: a hive that stays
// busy longer fails the call with ERROR_REGISTRY_IO_FAILED.
class Hive {
  public:
    Hive(std::string path, mode_t directory_mode);
    ~Hive();
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    const std::string& Path() const { return path_; }

    // ERROR_SUCCESS when the process may write the hive (or it is still to
    // be created), else ERROR_ACCESS_DENIED or why the file cannot be used.
    DWORD WriteAccess();

    // The key at PATH below BASE; ERROR_FILE_NOT_FOUND when it does not exist.
    DWORD FindKey(KeyId base, const KeyPath& path, KeyId* key);
    // As FindKey, creating the missing keys along PATH.
    DWORD CreateKey(KeyId base, const KeyPath& path, KeyId* key, bool* created);
    // Deletes the key at PATH below BASE (BASE itself for an empty path),
    // which must have no sub-keys.
    DWORD DeleteKey(KeyId base, const KeyPath& path);
    // The sub-key at INDEX in name order, with RegEnumKeyExA's buffer rules.
    // Taking the indexes in turn costs one step each.
    DWORD EnumKey(KeyObject& key, DWORD index, LPSTR name, LPDWORD name_chars,
                  PFILETIME last_write);

    // RegQueryValueExA's rules for TYPE, DATA and SIZE.
    DWORD QueryValue(KeyId key, LPCSTR name, LPDWORD type, LPBYTE data, LPDWORD size);
    DWORD SetValue(KeyId key, LPCSTR name, DWORD type, const BYTE* data, DWORD size);
    DWORD DeleteValue(KeyId key, LPCSTR name);
    // The value at INDEX in name order, with RegEnumValueA's buffer rules.
    DWORD EnumValue(KeyObject& key, DWORD index, LPSTR name, LPDWORD name_chars, LPDWORD type,
                    LPBYTE data, LPDWORD size);

    // Adds a wait to OBJECT's watch, starting the watch at its first call
    // (see KeyWatch::Arm). ERROR_INVALID_HANDLE once OBJECT is closed.
    DWORD Watch(KeyObject& object, DWORD filter, HANDLE wake);
    // Closes OBJECT for watching: its waits complete and no new one starts.
    void EndWatch(KeyObject& object);
    // Looks for changes made by other processes and tells the watches.
    void Refresh();

  private:
    struct Statement;
    // What the connected file was when last looked at.
    struct FileState {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        std::int64_t modified = 0;
        bool operator==(const FileState&) const = default;
    };

    DWORD Attach(bool create, bool write = false);
    DWORD CheckFile();
    void Detach(bool checkpoint);
    static int WaitWhileBusy(void* hive, int attempts);
    DWORD RowOf(KeyId key, KeyRow* row) const;
    KeyId Tag(KeyRow row) const;
    bool Watched(KeyRow row) const;
    template <class Read>
    DWORD Enumerate(KeyObject& object, EnumCursor KeyObject::*which, const int (&statements)[3],
                    DWORD index, Read&& read);
    DWORD OpenDatabase(bool create);
    DWORD Prepare();
    template <class Body>
    DWORD Retry(Body&& body);
    template <class Body>
    DWORD Transact(Body&& body);
    Statement& Keyed(int index, KeyRow key);
    template <class Query, class Read>
    DWORD ReadRow(KeyId key, DWORD none, Query&& query, Read&& read);
    template <class Bind>
    DWORD WriteValue(int statement, KeyId key, LPCSTR name, bool create, Bind&& bind);
    DWORD Walk(KeyRow base, const KeyPath& path, KeyRow* reached, size_t* found);
    DWORD ReadKey(KeyRow key, KeyRow* parent, KeyStamp* stamp);
    DWORD KeyGone(KeyRow key, DWORD otherwise);
    DWORD Touch(Statement& statement, KeyRow key, KeyStamp* stamp, bool* watched);
    void Deliver(KeyRow key, const KeyStamp* stamp);

    const std::string path_;
    const mode_t directory_mode_;
    std::mutex lock_;
    sqlite3* db_ = nullptr;
    FileState file_;
    // The file this process found damaged under its connection; it stays
    // refused until it is mended or replaced.
    std::optional<FileState> damaged_;
    // Raised each time the connection moves to another file.
    std::int64_t generation_ = 0;
    // When the busy wait under way began.
    std::chrono::steady_clock::time_point busy_since_;
    bool read_only_ = false;
    std::int64_t data_version_ = 0;
    std::vector<std::unique_ptr<Statement>> statements_;
    std::vector<KeyObject*> watched_;
};

}  // namespace kmxwin::registry
