#include "capture/vfw16_stream.h"

#include <wownt32.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "capture/stream_operations.h"
#include "capture/vfw16_translation.h"

namespace kmx {
namespace {

// Messages to the linking driver that may be under way at once: from the
// read service, the timer service and a client thread, and one to spare.
constexpr DWORD kMessageCopies = 4;

// A 16-bit stream's callback record: the record the stream's operations
// work on (first, so that the stream's pointer to it leads back here), and
// a 16-bit block with a place for each message under way, so that every
// message carries its own copy of the record without allocating.
struct CallbackRecord16 {
    StreamCallbackRecord record;
    DWORD copies;                         // fixed from init to fini
    StreamCallbackRecord16* copies_flat;  // kMessageCopies of them
    std::atomic<unsigned> busy;           // a bit for each copy in use
};

// Allocates and fixes a 16-bit block of SIZE bytes: its 16:16 address and
// flat address, or 0 with nothing left behind.
DWORD AllocateFixed(DWORD size, void** flat) {
    DWORD block = WOWGlobalAllocLock16(GMEM_SHARE | GMEM_ZEROINIT, size, nullptr);
    *flat = block ? WOWGetVDMPointerFix(block, size, TRUE) : nullptr;
    if (block && !*flat) {
        WOWGlobalUnlockFree16(block);
        return 0;
    }
    return block;
}

void FreeFixed(DWORD block) {
    WOWGetVDMPointerUnfix(block);
    WOWGlobalUnlockFree16(block);
}

// A prepared 16-bit header: the flat copy the stream queues and fills, and
// the client's header and data, both fixed from prepare to unprepare. The
// copy comes first: the stream's pointer to it leads back here.
struct Header16 {
    VIDEOHDR header;
    VIDEOHDR16* client;
    DWORD address;
    DWORD data_address;
    DWORD data_length;  // as fixed: the stream never writes beyond it
    DWORD_PTR instance;
};

std::mutex g_headers_lock;
std::vector<std::unique_ptr<Header16>> g_headers;

Header16* FindHeader(DWORD_PTR instance, DWORD address) {
    std::lock_guard guard(g_headers_lock);
    auto found = std::find_if(g_headers.begin(), g_headers.end(), [&](const auto& header) {
        return header->instance == instance && header->address == address;
    });
    return found == g_headers.end() ? nullptr : found->get();
}

void ReleaseHeader(std::unique_ptr<Header16> header) {
    WOWGetVDMPointerUnfix(header->data_address);
    WOWGetVDMPointerUnfix(header->address);
}

// Takes out of the list the headers PICK chooses, to be released outside
// the lock.
template <typename Pick>
std::vector<std::unique_ptr<Header16>> TakeHeaders(Pick pick) {
    std::vector<std::unique_ptr<Header16>> taken;
    std::lock_guard guard(g_headers_lock);
    for (auto& header : g_headers)
        if (pick(*header)) taken.push_back(std::move(header));
    std::erase(g_headers, nullptr);
    return taken;
}

// What the client may have changed since the stream last looked: its
// flags, its user word and the length it offers, within what was fixed.
// Whether the header is queued is the stream's to say: the queue runs
// through it, and a client's stale view must not queue it twice.
void LoadClientChanges(Header16& header) {
    header.header.dwFlags =
        (header.client->dwFlags & ~VHDR_INQUEUE) | (header.header.dwFlags & VHDR_INQUEUE);
    header.header.dwUser = header.client->dwUser;
    header.header.dwBufferLength = std::min(header.client->dwBufferLength, header.data_length);
}

// Translates the header at ADDRESS and calls OPERATION with the flat copy the
// stream knows it by and its record, or, for a header never prepared here
// (answered as any header without a link), a passing copy and null.
template <typename Operation>
DWORD OnHeader16(DWORD_PTR instance, DWORD address, Operation operation) {
    FixedAddress fixed_header(address, sizeof(VIDEOHDR16));
    auto* client = fixed_header.As<VIDEOHDR16>();
    if (!client) return operation(nullptr, nullptr);
    if (Header16* header = FindHeader(instance, address)) return operation(&header->header, header);
    VIDEOHDR passing = FlatHeader(*client, nullptr);
    return operation(&passing, nullptr);
}

}  // namespace

DWORD InitStream16(DWORD_PTR instance, DWORD parameters) {
    FixedAddress fixed_parameters(parameters, sizeof(VIDEO_STREAM_INIT_PARMS16));
    VIDEO_STREAM_INIT_PARMS flat{};
    if (fixed_parameters)
        flat = FlatInitParameters(*fixed_parameters.As<VIDEO_STREAM_INIT_PARMS16>());
    auto callback = std::unique_ptr<CallbackRecord16>(new (std::nothrow) CallbackRecord16{});
    if (!callback) return DV_ERR_NOMEM;
    void* copies = nullptr;
    callback->copies = AllocateFixed(kMessageCopies * sizeof(StreamCallbackRecord16), &copies);
    callback->copies_flat = static_cast<StreamCallbackRecord16*>(copies);
    void* record16 = nullptr;
    DWORD block = AllocateFixed(sizeof(StreamCallbackRecord16), &record16);
    DWORD result = DV_ERR_NOMEM;
    bool external = false;
    if (callback->copies && block)
        result = InitStream(instance, fixed_parameters ? &flat : nullptr, &callback->record, block,
                            &external);
    if (result == DV_ERR_OK && !external) {
        *static_cast<StreamCallbackRecord16*>(record16) = NarrowCallbackRecord(callback->record);
        callback.release();  // the stream's, with both blocks, until DVM_STREAM_FINI
        return DV_ERR_OK;
    }
    // Nothing of a stream that did not start, or of the external channel,
    // outlives the message: the blocks go at once.
    if (block) FreeFixed(block);
    if (callback->copies) FreeFixed(callback->copies);
    return result;
}

DWORD PrepareStreamHeader16(DWORD_PTR instance, DWORD address) {
    FixedAddress fixed_header(address, sizeof(VIDEOHDR16));
    auto* client = fixed_header.As<VIDEOHDR16>();
    if (!client) return PrepareStreamHeader(instance, nullptr, nullptr, address);
    // Prepared again: the translations kept since the first time serve.
    if (Header16* prepared = FindHeader(instance, address))
        return PrepareStreamHeader(instance, &prepared->header, prepared->header.lpData, address);
    FixedAddress fixed_data(client->lpData, client->dwBufferLength);
    // Frames are written through this translation: without it there is
    // nothing to write to.
    if (!fixed_data) return DV_ERR_NONSPECIFIC;
    auto header = std::unique_ptr<Header16>(
        new (std::nothrow) Header16{FlatHeader(*client, fixed_data.As<BYTE>()), client, address,
                                    client->lpData, client->dwBufferLength, instance});
    if (!header) return DV_ERR_NONSPECIFIC;
    DWORD result = PrepareStreamHeader(instance, &header->header, fixed_data.As<BYTE>(), address);
    if (result != DV_ERR_OK) return result;
    try {
        std::lock_guard guard(g_headers_lock);
        g_headers.push_back(std::move(header));
    } catch (const std::bad_alloc&) {
        UnprepareStreamHeader(instance, &header->header);
        return DV_ERR_NONSPECIFIC;
    }
    fixed_data.Keep();
    fixed_header.Keep();
    return DV_ERR_OK;
}

DWORD UnprepareStreamHeader16(DWORD_PTR instance, DWORD address) {
    return OnHeader16(instance, address, [&](VIDEOHDR* flat, Header16* header) {
        DWORD result = UnprepareStreamHeader(instance, flat);
        if (header && result == DV_ERR_OK)
            for (auto& taken :
                 TakeHeaders([header](const Header16& held) { return &held == header; }))
                ReleaseHeader(std::move(taken));
        return result;
    });
}

DWORD AddStreamBuffer16(DWORD_PTR instance, DWORD address) {
    return OnHeader16(instance, address, [&](VIDEOHDR* flat, Header16* header) {
        // The stream shows the client the queued header itself, under its
        // queue lock, before any frame can reach it.
        if (header) LoadClientChanges(*header);
        return AddStreamBuffer(instance, flat);
    });
}

void ForgetHeaders16(DWORD_PTR instance) {
    for (auto& taken :
         TakeHeaders([instance](const Header16& held) { return held.instance == instance; }))
        ReleaseHeader(std::move(taken));
}

void FreeStreamCallback(StreamCallbackRecord* callback, DWORD callback16) {
    if (!callback16) {
        delete callback;
        return;
    }
    auto* held = reinterpret_cast<CallbackRecord16*>(callback);
    FreeFixed(callback16);
    FreeFixed(held->copies);
    delete held;
}

void PublishHeader16(const VIDEOHDR* header) {
    const auto* held = reinterpret_cast<const Header16*>(header);
    CopyHeaderResults(held->header, *held->client);
}

LRESULT NotifyClient16(StreamCallbackRecord& callback, HDRVR linking_driver, UINT message,
                       const StreamCallbackRecord& record) {
    auto& held = reinterpret_cast<CallbackRecord16&>(callback);
    for (DWORD copy = 0; copy < kMessageCopies; ++copy) {
        unsigned bit = 1u << copy;
        if (held.busy.fetch_or(bit) & bit) continue;
        held.copies_flat[copy] = NarrowCallbackRecord(record);
        LRESULT reply =
            SendDriverMessage(linking_driver, message,
                              held.copies + copy * sizeof(StreamCallbackRecord16), KMXVFW_MAGIC);
        held.busy.fetch_and(~bit);
        return reply;
    }
    // More messages under way than places: this one gets a block of its own.
    void* flat = nullptr;
    DWORD block = AllocateFixed(sizeof(StreamCallbackRecord16), &flat);
    if (!block) return 0;
    *static_cast<StreamCallbackRecord16*>(flat) = NarrowCallbackRecord(record);
    LRESULT reply = SendDriverMessage(linking_driver, message, block, KMXVFW_MAGIC);
    FreeFixed(block);
    return reply;
}

}  // namespace kmx
