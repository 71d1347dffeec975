// One hive file: the keys and values below a predefined key, kept in an
// SQLite 3 database that any number of processes use at once.
#pragma once

#include <windows.h>

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "registry/key_watch.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kmxwin::registry {

// Keys are rows; a row's id never comes back once the key is deleted, so a
// handle on a deleted key can tell that it is.
using KeyId = std::int64_t;
inline constexpr KeyId kRootKey = 1;

// The names of a key path, root side first.
using KeyPath = std::vector<std::string_view>;

class Hive;

// The key behind one HKEY.
struct KeyObject {
    Hive* hive;
    KeyId id;
    ACCESS_MASK access;
    // Guarded by the hive's lock.
    std::unique_ptr<KeyWatch> watch;
    bool closed = false;
};

// Every member takes the hive's lock, so one connection serves all threads
// of the process. Results are Windows error codes; a hive file that does not
// exist yet reads as an empty hive and is created by the first write.
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
    DWORD EnumKey(KeyId key, DWORD index, LPSTR name, LPDWORD name_chars, PFILETIME last_write);

    // RegQueryValueExA's rules for TYPE, DATA and SIZE.
    DWORD QueryValue(KeyId key, LPCSTR name, LPDWORD type, LPBYTE data, LPDWORD size);
    DWORD SetValue(KeyId key, LPCSTR name, DWORD type, const BYTE* data, DWORD size);
    DWORD DeleteValue(KeyId key, LPCSTR name);
    // The value at INDEX in name order, with RegEnumValueA's buffer rules.
    DWORD EnumValue(KeyId key, DWORD index, LPSTR name, LPDWORD name_chars, LPDWORD type,
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

    DWORD Attach(bool create);
    DWORD OpenDatabase(bool create);
    DWORD Prepare();
    template <class Body>
    DWORD Retry(Body&& body);
    template <class Body>
    DWORD Transact(Body&& body);
    template <class Bind, class Read>
    DWORD ReadRow(int statement, KeyId key, DWORD none, Bind&& bind, Read&& read);
    template <class Bind>
    DWORD WriteValue(int statement, KeyId key, LPCSTR name, bool create, Bind&& bind);
    DWORD Walk(KeyId base, const KeyPath& path, KeyId* reached, size_t* found);
    DWORD ReadKey(KeyId key, KeyId* parent, KeyStamp* stamp);
    DWORD KeyGone(KeyId key, DWORD otherwise);
    DWORD Touch(Statement& statement, KeyId key, KeyStamp* stamp, bool* watched);
    void Deliver(KeyId key, const KeyStamp* stamp);

    const std::string path_;
    const mode_t directory_mode_;
    std::mutex lock_;
    sqlite3* db_ = nullptr;
    bool read_only_ = false;
    std::int64_t data_version_ = 0;
    std::vector<std::unique_ptr<Statement>> statements_;
    std::vector<KeyObject*> watched_;
};

}  // namespace kmxwin::registry
