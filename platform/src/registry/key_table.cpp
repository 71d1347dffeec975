#include "registry/key_table.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace kmxwin::registry {
namespace {

constexpr std::uintptr_t kHandleTag = 0x40000000;
constexpr std::uintptr_t kHandleBits = 0x3FFFFFFC;  // slot and generation
constexpr std::uint32_t kSlots = 1 << 16;
constexpr std::uint32_t kGenerationMask = 0xFFF;

constexpr ACCESS_MASK kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

std::string Variable(const char* name) {
    const char* value = getenv(name);
    return value && *value ? value : "";
}

std::string CurrentUserHivePath() {
    std::string path = Variable("KMX512_HKCU");
    if (!path.empty()) return path;
    std::string config = Variable("XDG_CONFIG_HOME");
    if (config.empty()) {
        std::string home = Variable("HOME");
        if (home.empty())
            if (const passwd* user = getpwuid(getuid())) home = user->pw_dir;
        config = home + "/.config";
    }
    return config + "/kmx512/HKCU.db";
}

std::string LocalMachineHivePath() {
    std::string path = Variable("KMX512_HKLM");
    return path.empty() ? "/var/lib/kmx512/HKLM.db" : path;
}

class KeyTable {
  public:
    KeyTable()
        // The user's folder is private; the machine's is readable by everyone.
        : current_user_(CurrentUserHivePath(), 0700),
          local_machine_(LocalMachineHivePath(), 0755),
          current_user_root_(std::make_shared<KeyObject>(&current_user_, kRootKey, KEY_ALL_ACCESS)),
          local_machine_root_(
              std::make_shared<KeyObject>(&local_machine_, kRootKey, KEY_ALL_ACCESS)) {}

    HKEY Insert(std::shared_ptr<KeyObject> object) {
        std::lock_guard guard(lock_);
        std::uint32_t slot;
        if (!free_.empty()) {
            slot = free_.front();
            free_.pop_front();
        } else if (slots_.size() < kSlots) {
            slot = static_cast<std::uint32_t>(slots_.size());
            slots_.push_back({});
        } else {
            return nullptr;
        }
        slots_[slot].object = std::move(object);
        return reinterpret_cast<HKEY>(kHandleTag | (std::uintptr_t{slots_[slot].generation} << 18) |
                                      (std::uintptr_t{slot} << 2));
    }

    std::shared_ptr<KeyObject> Lookup(HKEY key) {
        if (key == HKEY_CURRENT_USER) return current_user_root_;
        if (key == HKEY_LOCAL_MACHINE) return local_machine_root_;
        std::lock_guard guard(lock_);
        Slot* slot = Find(key);
        return slot ? slot->object : nullptr;
    }

    std::shared_ptr<KeyObject> Remove(HKEY key) {
        std::lock_guard guard(lock_);
        Slot* slot = Find(key);
        if (!slot) return nullptr;
        std::shared_ptr<KeyObject> object = std::move(slot->object);
        slot->generation = (slot->generation + 1) & kGenerationMask;
        free_.push_back(static_cast<std::uint32_t>(slot - slots_.data()));
        return object;
    }

  private:
    struct Slot {
        std::shared_ptr<KeyObject> object;
        std::uint32_t generation = 0;
    };

    Slot* Find(HKEY key) {
        auto value = reinterpret_cast<std::uintptr_t>(key);
        if ((value & ~kHandleBits) != kHandleTag) return nullptr;
        std::uint32_t slot = (value >> 2) & (kSlots - 1);
        std::uint32_t generation = (value >> 18) & kGenerationMask;
        if (slot >= slots_.size() || !slots_[slot].object || slots_[slot].generation != generation)
            return nullptr;
        return &slots_[slot];
    }

    Hive current_user_;
    Hive local_machine_;
    const std::shared_ptr<KeyObject> current_user_root_;
    const std::shared_ptr<KeyObject> local_machine_root_;
    std::mutex lock_;
    std::vector<Slot> slots_;
    std::deque<std::uint32_t> free_;
};

KeyTable& Table() {
    // Threads may still use keys while the process exits: never destroyed.
    static KeyTable* table = new KeyTable;
    return *table;
}

}  // namespace

bool IsPredefinedKey(HKEY key) {
    return key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

HKEY InsertKey(std::shared_ptr<KeyObject> object) {
    return Table().Insert(std::move(object));
}

DWORD ReferenceKey(HKEY key, ACCESS_MASK needed, std::shared_ptr<KeyObject>* object) {
    *object = Table().Lookup(key);
    if (!*object) return ERROR_INVALID_HANDLE;
    return ((*object)->access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

std::shared_ptr<KeyObject> RemoveKey(HKEY key) {
    return Table().Remove(key);
}

DWORD GrantAccess(Hive& hive, REGSAM desired, ACCESS_MASK* granted) {
    ACCESS_MASK rights = desired & KEY_ALL_ACCESS;
    if (desired & GENERIC_READ) rights |= KEY_READ;
    if (desired & GENERIC_WRITE) rights |= KEY_WRITE;
    if (desired & GENERIC_EXECUTE) rights |= KEY_EXECUTE;
    if (desired & GENERIC_ALL) rights |= KEY_ALL_ACCESS;
    if (desired & MAXIMUM_ALLOWED) {
        rights |= hive.WriteAccess() == ERROR_SUCCESS ? KEY_ALL_ACCESS : KEY_READ;
    } else if (rights & kWriteRights) {
        DWORD error = hive.WriteAccess();
        if (error != ERROR_SUCCESS) return error;
    }
    *granted = rights;
    return ERROR_SUCCESS;
}

}  // namespace kmxwin::registry
