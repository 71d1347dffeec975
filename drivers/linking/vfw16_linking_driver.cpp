// The stand-in for the 16-bit linking driver: an installable driver through
// which a program acts as a 16-bit capture client. What a 16-bit
// application and its linking driver would hand the library's
// DLL32_VFW16DriverProc, it builds: every record the client passes (flat,
// as to the 32-bit linking driver) is laid out again in the simulated
// 16-bit address space in its 16-bit form, with 16:16 addresses; the
// client's own buffers (frame data, format headers, answer words) are
// mapped into that space rather than copied, so the library writes
// straight into them.
//
// A client's prepared headers each have a 16-bit twin from prepare to
// unprepare; what the library does to the twin is copied back to the
// client's header after each message and before each callback. The
// library's own opens for callbacks come with KMXVFW_MAGIC: on that channel
// the private messages carry the 16:16 address of the stream's callback
// record, and become the client's MM_DRVM_* callbacks, delivered as its
// VIDEO_STREAM_INIT_PARMS asked; MM_DRVM_DATA names the client's header as
// dwParam1 and, as a 16-bit client's callback receives it, the twin's 16:16
// address as dwParam2.
//
// It asks for any camera (both identity words 0): the capture lock chooses.
#include <windows.h>
#include <mmddk.h>
#include <msviddrv.h>
#include <vfw.h>
#include <wownt32.h>

#include <kmx512u/kmxvfw.h>
#include <kmxwin/vfw16.h>
#include <kmxwin/wow_address_space.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "client_message.h"

namespace {

constexpr DWORD_PTR kCallbackChannel = KMXVFW_MAGIC;

// A zero-filled block of 16-bit memory holding a T, freed with its holder.
template <typename T>
class Block16 {
  public:
    explicit Block16(DWORD extra = 0)
        : address_(WOWGlobalAllocLock16(GMEM_ZEROINIT, sizeof(T) + extra, nullptr)),
          flat_(static_cast<T*>(WOWGetVDMPointer(address_, sizeof(T) + extra, TRUE))) {}
    ~Block16() {
        if (address_) WOWGlobalUnlockFree16(address_);
    }
    Block16(const Block16&) = delete;
    Block16& operator=(const Block16&) = delete;
    explicit operator bool() const { return flat_ != nullptr; }
    T* operator->() const { return flat_; }
    T& operator*() const { return *flat_; }
    DWORD Address() const { return address_; }

  private:
    DWORD address_;
    T* flat_;
};

// Client memory mapped into the 16-bit space while its holder lives.
class Mapping {
  public:
    Mapping(void* flat, DWORD size) : address_(flat ? KmxWinWowMapFlat(flat, size) : 0) {}
    ~Mapping() {
        if (address_) KmxWinWowUnmapFlat(address_);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    DWORD Address() const { return address_; }

  private:
    DWORD address_;
};

// A client header's 16-bit twin, its data mapped, from prepare to
// unprepare (or for one DVM_FRAME).
struct Twin {
    Twin(HDRVR channel, VIDEOHDR* client)
        : channel(channel), client(client), data(client->lpData, client->dwBufferLength) {
        if (!header) return;
        header->lpData = data.Address();
        Load();
    }
    // The client's side of the header into the twin.
    void Load() {
        header->dwBufferLength = client->dwBufferLength;
        header->dwBytesUsed = client->dwBytesUsed;
        header->dwTimeCaptured = client->dwTimeCaptured;
        header->dwUser = static_cast<DWORD>(client->dwUser);
        header->dwFlags = client->dwFlags;
    }
    // What the library did to the twin, back to the client.
    void Store() const {
        client->dwBytesUsed = header->dwBytesUsed;
        client->dwTimeCaptured = header->dwTimeCaptured;
        client->dwFlags = header->dwFlags;
    }

    HDRVR channel;
    VIDEOHDR* client;
    Mapping data;
    Block16<VIDEOHDR16> header;
};

// A stream's client, found by the key its 16-bit init parameters carry as
// their callback instance.
struct ClientStream {
    HDRVR channel;
    DWORD_PTR callback;
    DWORD_PTR instance;
    DWORD flags;
    HANDLE video;
};

std::mutex g_lock;
std::vector<std::unique_ptr<Twin>> g_twins;
std::map<DWORD, ClientStream> g_streams;
DWORD g_last_key = 0;

LRESULT Library(DWORD_PTR id, HDRVR driver, UINT message, DWORD lParam1, DWORD lParam2) {
    return DLL32_VFW16DriverProc(static_cast<DWORD>(id),
                                 static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(driver)), message,
                                 lParam1, lParam2);
}

Twin* FindTwin(HDRVR channel, const VIDEOHDR* client) {
    std::lock_guard guard(g_lock);
    for (auto& twin : g_twins)
        if (twin->channel == channel && twin->client == client) return twin.get();
    return nullptr;
}

void DropTwins(HDRVR channel, const VIDEOHDR* client) {
    std::vector<std::unique_ptr<Twin>> dropped;
    std::lock_guard guard(g_lock);
    for (auto& twin : g_twins)
        if (twin->channel == channel && (!client || twin->client == client))
            dropped.push_back(std::move(twin));
    std::erase(g_twins, nullptr);
}

void DropStreams(HDRVR channel) {
    std::lock_guard guard(g_lock);
    std::erase_if(g_streams,
                  [channel](const auto& entry) { return entry.second.channel == channel; });
}

// The link record and name a 16-bit linking driver passes, in 16-bit memory.
class LinkRecord16 {
  public:
    LinkRecord16() {
        if (!link_ || !name_) return;
        strcpy(&*name_, KMXVFW16_LINKING_DRIVER);
        link_->name = name_.Address();
        link_->name_length = static_cast<DWORD>(strlen(KMXVFW16_LINKING_DRIVER));
    }
    DWORD Address() const { return link_ && name_ ? link_.Address() : 0; }

  private:
    Block16<DriverLinkInfo16> link_;
    Block16<char> name_{KMXVFW_DRIVER_NAME_LIMIT};
};

LRESULT Open(HDRVR driver, LPARAM open_parameters) {
    LinkRecord16 link;
    auto* parameters = reinterpret_cast<VIDEO_OPEN_PARMS*>(open_parameters);
    if (!parameters) return Library(0, driver, DRV_OPEN, link.Address(), 0);
    Block16<VIDEO_OPEN_PARMS16> parameters16;
    if (!parameters16 || !link.Address()) {
        parameters->dwError = DV_ERR_NOMEM;
        return 0;
    }
    parameters16->dwSize = sizeof(VIDEO_OPEN_PARMS16);
    parameters16->fccType = parameters->fccType;
    parameters16->fccComp = parameters->fccComp;
    parameters16->dwVersion = parameters->dwVersion;
    parameters16->dwFlags = parameters->dwFlags;
    parameters16->dwError = parameters->dwError;
    LRESULT instance = Library(0, driver, DRV_OPEN, link.Address(), parameters16.Address());
    parameters->dwError = parameters16->dwError;
    return instance;
}

LRESULT Format(DWORD_PTR id, HDRVR driver, LPARAM flags, LPARAM parameters_address) {
    auto* parameters = reinterpret_cast<VIDEOCONFIGPARMS*>(parameters_address);
    if (!parameters) return Library(id, driver, DVM_FORMAT, static_cast<DWORD>(flags), 0);
    Block16<VIDEOCONFIGPARMS16> parameters16;
    if (!parameters16) return DV_ERR_NOMEM;
    Mapping answer(parameters->lpdwReturn, sizeof(DWORD));
    Mapping data1(parameters->lpData1, parameters->dwSize1);
    Mapping data2(parameters->lpData2, parameters->dwSize2);
    *parameters16 = {answer.Address(), data1.Address(), parameters->dwSize1, data2.Address(),
                     parameters->dwSize2};
    return Library(id, driver, DVM_FORMAT, static_cast<DWORD>(flags), parameters16.Address());
}

LRESULT Frame(DWORD_PTR id, HDRVR driver, LPARAM header_address) {
    auto* header = reinterpret_cast<VIDEOHDR*>(header_address);
    if (!header) return Library(id, driver, DVM_FRAME, 0, 0);
    Twin twin(driver, header);
    if (!twin.header) return DV_ERR_NOMEM;
    LRESULT result = Library(id, driver, DVM_FRAME, twin.header.Address(), sizeof(VIDEOHDR16));
    twin.Store();
    return result;
}

LRESULT InitStream(DWORD_PTR id, HDRVR driver, LPARAM parameters_address) {
    auto* parameters = reinterpret_cast<const VIDEO_STREAM_INIT_PARMS*>(parameters_address);
    if (!parameters) return Library(id, driver, DVM_STREAM_INIT, 0, 0);
    Block16<VIDEO_STREAM_INIT_PARMS16> parameters16;
    if (!parameters16) return DV_ERR_NOMEM;
    DWORD key = 0;
    {
        std::lock_guard guard(g_lock);
        do key = ++g_last_key;
        while (key == 0 || g_streams.count(key));
        g_streams[key] = {driver, parameters->dwCallback, parameters->dwCallbackInst,
                          parameters->dwFlags, parameters->hVideo};
    }
    // The callback itself stays here: a flat client's function is no 16-bit
    // code address.
    *parameters16 = {parameters->dwMicroSecPerFrame, 0, key, parameters->dwFlags,
                     static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(driver))};
    LRESULT result = Library(id, driver, DVM_STREAM_INIT, parameters16.Address(),
                             sizeof(VIDEO_STREAM_INIT_PARMS16));
    if (result != DV_ERR_OK) {
        std::lock_guard guard(g_lock);
        g_streams.erase(key);
    }
    return result;
}

// PREPAREHEADER, UNPREPAREHEADER and ADDBUFFER, on the header's twin: the
// one kept since prepare, else a new one, kept when the prepare succeeds
// and passing for the others (a header never prepared here).
LRESULT HeaderMessage(DWORD_PTR id, HDRVR driver, UINT message, LPARAM header_address) {
    auto* header = reinterpret_cast<VIDEOHDR*>(header_address);
    if (!header) return Library(id, driver, message, 0, 0);
    Twin* twin = FindTwin(driver, header);
    std::unique_ptr<Twin> made;
    if (!twin) {
        made = std::make_unique<Twin>(driver, header);
        if (!made->header) return DV_ERR_NOMEM;
        twin = made.get();
        // A twin the library prepared must find its place: the library
        // writes into it until unprepare.
        std::lock_guard guard(g_lock);
        g_twins.reserve(g_twins.size() + 1);
    }
    twin->Load();
    LRESULT result = Library(id, driver, message, twin->header.Address(), sizeof(VIDEOHDR16));
    twin->Store();
    if (result != DV_ERR_OK) return result;
    if (message == DVM_STREAM_PREPAREHEADER && made) {
        std::lock_guard guard(g_lock);
        g_twins.push_back(std::move(made));
    } else if (message == DVM_STREAM_UNPREPAREHEADER && !made) {
        DropTwins(driver, header);
    }
    return result;
}

LRESULT StreamError(DWORD_PTR id, HDRVR driver, LPARAM error, LPARAM skipped) {
    Mapping error16(reinterpret_cast<DWORD*>(error), sizeof(DWORD));
    Mapping skipped16(reinterpret_cast<DWORD*>(skipped), sizeof(DWORD));
    return Library(id, driver, DVM_STREAM_GETERROR, error16.Address(), skipped16.Address());
}

LRESULT CallbackChannelMessage(UINT message, LPARAM record_address, LPARAM magic) {
    if (message == DRV_CLOSE) return 1;
    UINT client_message = kmxlink::ClientMessage(message);
    if (!client_message || magic != KMXVFW_MAGIC) return 0;
    LRESULT answer = message == KMXVFW_STREAM_OPEN ? 1 : 0;
    auto address = static_cast<DWORD>(record_address);
    auto* record = static_cast<const StreamCallbackRecord16*>(
        WOWGetVDMPointer(address, sizeof(StreamCallbackRecord16), TRUE));
    if (!record) return answer;
    ClientStream client{};
    DWORD_PTR parameter1 = record->parameter, parameter2 = 0;
    {
        std::lock_guard guard(g_lock);
        auto found = g_streams.find(record->callback_instance);
        if (found == g_streams.end()) return answer;
        client = found->second;
        if (client_message == MM_DRVM_DATA) {
            auto twin = std::find_if(g_twins.begin(), g_twins.end(), [&](const auto& held) {
                return held->channel == client.channel &&
                       held->header.Address() == record->parameter;
            });
            if (twin == g_twins.end()) return answer;
            (*twin)->Store();
            parameter1 = reinterpret_cast<DWORD_PTR>((*twin)->client);
            parameter2 = record->parameter;
        }
    }
    DriverCallback(client.callback, HIWORD(client.flags), static_cast<HDRVR>(client.video),
                   client_message, client.instance, parameter1, parameter2);
    return 1;
}

LRESULT HandleMessage(DWORD_PTR id, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    switch (message) {
        case DRV_OPEN:
            return lParam2 == KMXVFW_MAGIC ? kCallbackChannel : Open(driver, lParam2);
        case DRV_LOAD:
        case DRV_ENABLE:
        case DRV_DISABLE:
        case DRV_FREE:
            return Library(id, driver, message, 0, 0);
    }
    if (id == kCallbackChannel) return CallbackChannelMessage(message, lParam1, lParam2);
    switch (message) {
        case DRV_CONFIGURE: {
            LinkRecord16 link;
            return Library(id, driver, message, link.Address(), 0);
        }
        case DRV_CLOSE: {
            LRESULT closed = Library(id, driver, message, 0, 0);
            DropTwins(driver, nullptr);
            DropStreams(driver);
            return closed;
        }
        case DVM_DIALOG:
            // A 16-bit client names its window by the handle's low word.
            return Library(id, driver, message, LOWORD(static_cast<DWORD_PTR>(lParam1)),
                           static_cast<DWORD>(lParam2));
        case DVM_FORMAT:
            return Format(id, driver, lParam1, lParam2);
        case DVM_FRAME:
            return Frame(id, driver, lParam1);
        case DVM_STREAM_INIT:
            return InitStream(id, driver, lParam1);
        case DVM_STREAM_FINI: {
            LRESULT result = Library(id, driver, message, 0, 0);
            DropStreams(driver);
            return result;
        }
        case DVM_STREAM_PREPAREHEADER:
        case DVM_STREAM_UNPREPAREHEADER:
        case DVM_STREAM_ADDBUFFER:
            return HeaderMessage(id, driver, message, lParam1);
        case DVM_STREAM_GETERROR:
            return StreamError(id, driver, lParam1, lParam2);
        default:
            // No addresses (START, STOP, RESET), or none the library reads.
            return Library(id, driver, message, static_cast<DWORD>(lParam1),
                           static_cast<DWORD>(lParam2));
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) LRESULT CALLBACK
DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    // No exception leaves the driver: a twin or a stream entry that finds
    // no memory fails its message as such.
    try {
        return HandleMessage(id, driver, message, lParam1, lParam2);
    } catch (const std::bad_alloc&) {
        return message == DRV_OPEN ? 0 : DV_ERR_NOMEM;
    }
}
