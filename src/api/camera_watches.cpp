// The one-shot camera watches: a new camera of a given identity, and a
// camera waking the system. Both follow registry values written outside the
// library. Each watch keeps its key open and armed for change notification
// for as long as it lives; a change wakes its callback on the watch
// service's thread, which lets the writer settle, arms the key again, then
// looks whether the event has happened: if so it signals the caller's event
// and ends, otherwise it waits for the next change. The key is always armed
// before the look, so that a change made while the watch looks wakes it
// again rather than go unseen.
#include <kmx512u/kmxpi.h>

#include "api/interface_state.h"
#include "support/registry_key.h"

#include <memory>
#include <new>
#include <string>

namespace kmx {
namespace {

// How long a change is left to settle before the watch looks at it; several
// changes within it count once.
constexpr DWORD kSettleTime = 1250;
constexpr char kWokeSystemValue[] = "CameraWokeSystem";
// Made on first use, inside an export, where a failure to allocate it is
// answered.
const char* CameraChangeKeyPath() {
    static const std::string path = std::string(kSettingsKeyPath) + "\\CameraChange";
    return path.c_str();
}

class CameraWatch {
  public:
    virtual ~CameraWatch() {
        if (client_) CloseHandle(client_);
        if (change_) CloseHandle(change_);
    }

    // Opens the watched key, takes the library's own duplicate of the
    // caller's EVENT, arms the key and looks at the current state: 0, or the
    // status that refuses the watch.
    DWORD Prepare(LPCSTR key_path, HANDLE event) {
        key_.reset(new (std::nothrow) RegistryKey(HKEY_LOCAL_MACHINE, key_path, false, true));
        if (!key_) return KMXPI_STATUS_ALLOC_FAILED;
        if (!DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &client_, 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
            client_ = nullptr;
            return KMXPI_STATUS_ALLOC_FAILED;
        }
        if (!Arm()) return KMXPI_STATUS_ALLOC_FAILED;
        return Look(nullptr);
    }

    // Registers the watch; the service owns it from then on.
    bool Register() { return AddWatch(&CameraWatch::Changed, this, change_); }

  protected:
    const RegistryKey& Key() const { return *key_; }
    // Takes in the current state: the status of looking, and in *HAPPENED
    // (when asked) whether the watched event has happened since last time.
    virtual DWORD Look(bool* happened) = 0;

  private:
    // Arms the key for its next change, with the change event reset.
    bool Arm() {
        if (!change_) change_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        return change_ && ResetEvent(change_) && key_->NotifyChange(change_);
    }

    static void Changed(void* context, DWORD cancel) {
        auto* watch = static_cast<CameraWatch*>(context);
        try {
            if (cancel == 0 && StaysLoaded(kSettleTime)) {
                bool armed = watch->Arm();
                bool happened = false;
                watch->Look(&happened);
                if (happened) {
                    SetEvent(watch->client_);
                } else if (armed && watch->Register()) {
                    return;
                }
            }
        } catch (...) {
            // Memory ran short: the watch ends without signalling.
        }
        delete watch;
    }

    std::unique_ptr<RegistryKey> key_;
    HANDLE client_ = nullptr;  // the library's own duplicate of the caller's event
    HANDLE change_ = nullptr;  // manual reset, signalled by the key's change
};

class WokeSystemWatch : public CameraWatch {
    DWORD Look(bool* happened) override {
        DWORD value = last_value_;
        Key().QueryDword(kWokeSystemValue, &value);
        if (happened) *happened = value != last_value_;
        last_value_ = value;
        return KMXPI_STATUS_SUCCESS;
    }

    DWORD last_value_ = 0;
};

class NewCameraWatch : public CameraWatch {
  public:
    NewCameraWatch(DWORD identity1, DWORD identity2)
        : identity1_(identity1), identity2_(identity2) {}

  private:
    DWORD Look(bool* happened) override {
        // Only the count is wanted: an array of one takes the first id.
        DWORD first = 0, count = 0;
        DWORD status = KMXPI_CameraEnum(identity1_, identity2_, &first, 1, &count);
        if (happened) *happened = count > count_;
        // A camera unplugged lowers the count, so that its return counts.
        count_ = count;
        return status;
    }

    const DWORD identity1_, identity2_;
    DWORD count_ = 0;
};

DWORD StartWatch(std::unique_ptr<CameraWatch> watch, LPCSTR key_path, HANDLE event) {
    if (StartWatchService() != KMXPI_STATUS_SUCCESS) return KMXPI_STATUS_NULL_POINTER;
    if (!watch) return KMXPI_STATUS_ALLOC_FAILED;
    DWORD status = watch->Prepare(key_path, event);
    if (status != KMXPI_STATUS_SUCCESS) return status;
    if (!watch->Register()) return KMXPI_STATUS_ALLOC_FAILED;
    watch.release();
    return KMXPI_STATUS_SUCCESS;
}

}  // namespace
}  // namespace kmx

using namespace kmx;

extern "C" DWORD KMXPI_CameraNotifyNew(DWORD identity1, DWORD identity2, HANDLE event) try {
    return StartWatch(
        std::unique_ptr<CameraWatch>(new (std::nothrow) NewCameraWatch(identity1, identity2)),
        CameraChangeKeyPath(), event);
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXPI_CameraNotifyWokeSystem(HANDLE event) try {
    return StartWatch(std::unique_ptr<CameraWatch>(new (std::nothrow) WokeSystemWatch),
                      kSettingsKeyPath, event);
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}
