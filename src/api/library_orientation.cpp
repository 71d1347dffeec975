#include "api/library_orientation.h"

#include <kmx512u/kmxpi.h>

#include "api/interface_state.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace kmx {

struct LibraryOrientation {
    DWORD connection_id;
    // The refresh reads through a handle of the record's own: the pipeline's
    // may close while a read is still in flight.
    KMXPI_HANDLE camera;
    DWORD answered;  // the settings the camera answers
    // The settings in the low bits and, above them, a count of the writes
    // noted, so that a refresh that read the camera before a write cannot
    // put the old value back after it.
    std::atomic<DWORD> word;
    // The holder, and the refresh while it reads; guarded by g_lock.
    LONG users;
};

namespace {

constexpr DWORD kSettingBits = kOrientationFlip | kOrientationMirror;
constexpr DWORD kOneWrite = kSettingBits + 1;

struct Setting {
    DWORD id;
    DWORD bit;
};
constexpr Setting kSettings[] = {{KMXPI_IMAGE_FLIP, kOrientationFlip},
                                 {KMXPI_IMAGE_MIRROR, kOrientationMirror}};

// Guards the records' list and use counts and whether the refresh runs;
// never held across a request to a camera.
std::mutex g_lock;
std::vector<LibraryOrientation*> g_records;
bool g_refreshing;
// Numbers the refresh threads started; only the latest may run.
DWORD g_refresh_number;

// Reads the settings in WHICH from CAMERA into SETTINGS; the ones it answered.
DWORD ReadSettings(KMXPI_HANDLE camera, DWORD which, DWORD& settings) {
    DWORD answered = 0;
    for (const Setting& setting : kSettings) {
        BYTE value = 0;
        if (!(which & setting.bit) ||
            KMXPI_PropertyGet(camera, &KMXPI_PROPSET_IMAGE, setting.id, sizeof value, &value) !=
                KMXPI_STATUS_SUCCESS)
            continue;
        answered |= setting.bit;
        settings = value ? settings | setting.bit : settings & ~setting.bit;
    }
    return answered;
}

void Refresh(LibraryOrientation& record) {
    DWORD before = record.word.load();
    DWORD settings = before & kSettingBits;
    if (ReadSettings(record.camera, record.answered, settings))
        record.word.compare_exchange_strong(before, (before & ~kSettingBits) | settings);
}

// Drops one use of RECORD; the last one frees it.
void Release(LibraryOrientation* record) {
    {
        std::lock_guard guard(g_lock);
        if (--record->users > 0) return;
        std::erase(g_records, record);
    }
    KMXPI_HandleClose(&record->camera);
    delete record;
}

// Reads every record again; false, with the refresh marked as ended, when
// there was none.
bool RefreshAll() {
    for (size_t index = 0;; ++index) {
        LibraryOrientation* record;
        {
            std::lock_guard guard(g_lock);
            if (index >= g_records.size()) {
                if (index == 0) g_refreshing = false;
                return index > 0;
            }
            record = g_records[index];
            ++record->users;
        }
        Refresh(*record);
        Release(record);
    }
}

// Runs while there are records, and ends at module end. PARAMETER is the
// number StartRefresh gave it.
DWORD WINAPI RefreshSettings(LPVOID parameter) {
    const auto number = static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
    {
        // StartRefresh holds the lock until module end keeps track of this
        // thread; one that it could not keep track of must not run.
        std::lock_guard guard(g_lock);
        if (!g_refreshing || number != g_refresh_number) return 0;
    }
    bool running = true;
    while (running && StaysLoaded(kOrientationRefreshMs)) running = RefreshAll();
    if (running) {
        std::lock_guard guard(g_lock);
        g_refreshing = false;
    }
    return 0;
}

// Starts the refresh unless it runs; under g_lock. Without it, records keep
// what was read and written through this library.
void StartRefresh() {
    if (g_refreshing) return;
    const DWORD number = ++g_refresh_number;
    HANDLE thread =
        CreateThread(nullptr, 0, RefreshSettings,
                     reinterpret_cast<LPVOID>(static_cast<uintptr_t>(number)), 0, nullptr);
    if (!thread) return;
    g_refreshing = TrackThread(thread);
    CloseHandle(thread);
}

}  // namespace

LibraryOrientation* AcquireOrientation(DWORD connection_id) {
    KMXPI_HANDLE camera = nullptr;
    if (KMXPI_HandleOpen(connection_id, &camera) != KMXPI_STATUS_SUCCESS) return nullptr;
    DWORD settings = 0;
    DWORD answered = ReadSettings(camera, kSettingBits, settings);
    auto* record = answered ? new (std::nothrow)
                                  LibraryOrientation{connection_id, camera, answered, {settings}, 1}
                            : nullptr;
    if (record) {
        std::lock_guard guard(g_lock);
        try {
            g_records.push_back(record);
            StartRefresh();
            return record;
        } catch (const std::bad_alloc&) {
        }
    }
    delete record;
    KMXPI_HandleClose(&camera);
    return nullptr;
}

void ReleaseOrientation(LibraryOrientation* orientation) {
    if (orientation) Release(orientation);
}

DWORD OrientationNow(const LibraryOrientation& orientation) {
    return orientation.word.load(std::memory_order_relaxed) & kSettingBits;
}

void NoteImageSetting(DWORD connection_id, const GUID& set, DWORD id, DWORD size,
                      const void* value) {
    if (std::memcmp(&set, &KMXPI_PROPSET_IMAGE, sizeof set) != 0 || size == 0) return;
    auto setting = std::find_if(std::begin(kSettings), std::end(kSettings),
                                [id](const Setting& setting) { return setting.id == id; });
    if (setting == std::end(kSettings)) return;
    const bool on = *static_cast<const BYTE*>(value) != 0;
    std::lock_guard guard(g_lock);
    for (LibraryOrientation* record : g_records) {
        if (record->connection_id != connection_id) continue;
        DWORD word = record->word.load();
        DWORD next;
        do {
            next = word + kOneWrite;
            next = on ? next | setting->bit : next & ~setting->bit;
        } while (!record->word.compare_exchange_weak(word, next));
    }
}

}  // namespace kmx
