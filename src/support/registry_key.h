// One open registry key with typed reads and writes of string, 32-bit and
// binary values, and change notification. Every part of the library reaches
// the registry through it: construct on the stack, test Handle() for null,
// read or write, let the destructor close.
//
// Operations that return a flag answer 1 for success and 0 for failure;
// every value operation answers 0 at once, without a system call, when the
// key is not open. A failed read leaves the caller's buffer or word as it
// was, so callers may preload their defaults.
#pragma once

#include <windows.h>

#include <kmxrecords/settings_keys.h>

#include <memory>
#include <optional>
#include <vector>

namespace kmx {

class RegistryKey {
  public:
    // Opens PATH below ROOT (creating it when CREATE is set) with KEY_READ
    // when READ_ONLY is set, else KEY_ALL_ACCESS. The handle is null when
    // that fails.
    RegistryKey(HKEY root, LPCSTR path, bool create, bool read_only);
    // Creates (or opens) PATH below PARENT's key.
    RegistryKey(const RegistryKey& parent, LPCSTR path, bool read_only);
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // The open key, or null.
    HKEY Handle() const { return handle_; }
    void Close();

    // 1 when the key has a direct sub-key of exactly NAME (case-sensitive).
    int HasSubKey(LPCSTR name) const;
    // The name of the sub-key at INDEX into NAME (SIZE characters with the
    // terminator); its length, or 0 on failure.
    DWORD SubKeyName(DWORD index, LPSTR name, DWORD size) const;
    // Opens the sub-key at INDEX as a new key in *KEY (whose own open may
    // have failed: test its handle). 0, with *KEY untouched, when there is no
    // such sub-key; 0 with *KEY null when the new key cannot be allocated.
    int OpenSubKeyAt(DWORD index, std::unique_ptr<RegistryKey>* key, bool create,
                     bool read_only) const;
    // As above, with the sub-key's name stored in NAME (SIZE characters);
    // the name's length when *KEY was allocated, else 0.
    DWORD OpenSubKeyAt(DWORD index, std::unique_ptr<RegistryKey>* key, LPSTR name, DWORD size,
                       bool create, bool read_only) const;

    // A REG_SZ value into BUFFER (SIZE bytes): the bytes stored, terminator
    // included; 0 when missing, of another type or too long.
    DWORD QueryString(LPCSTR name, LPSTR buffer, DWORD size) const;
    // A REG_DWORD value of exactly 4 bytes.
    int QueryDword(LPCSTR name, DWORD* value) const;
    // A REG_BINARY value of exactly SIZE bytes.
    int QueryBinary(LPCSTR name, void* buffer, DWORD size) const;

    int SetString(LPCSTR name, LPCSTR text);
    int SetDword(LPCSTR name, DWORD value);
    int SetBinary(LPCSTR name, const void* data, DWORD size);
    int DeleteValue(LPCSTR name);

    // Blocks until a value of the key is added, changed or deleted. 0 when
    // the key is not open (the system refuses the null handle).
    int WaitForChange();
    // Signals EVENT once at the next value change; arm again after each
    // signal. 0 for a null event.
    int NotifyChange(HANDLE event);

  private:
    std::optional<std::vector<BYTE>> Read(LPCSTR name, DWORD type, DWORD capacity) const;
    int Write(LPCSTR name, DWORD type, const void* data, DWORD size);

    HKEY handle_ = nullptr;
};

}  // namespace kmx
