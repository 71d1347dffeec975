#include "capture/vfw16_stream.h"

#include <wownt32.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "capture/stream_operations.h"
#include "capture/vfw16_translation.h"

namespace kmx {
namespace {

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
    // The record the stream's operations work on; its 16-bit side is the
    // block, which holds it as 16-bit code reads it.
    auto callback =
        std::unique_ptr<StreamCallbackRecord>(new (std::nothrow) StreamCallbackRecord{});
    if (!callback) return DV_ERR_NOMEM;
    DWORD block =
        WOWGlobalAllocLock16(GMEM_SHARE | GMEM_ZEROINIT, sizeof(StreamCallbackRecord16), nullptr);
    if (!block) return DV_ERR_NOMEM;
    DWORD result = DV_ERR_NOMEM;
    bool external = false;
    {
        FixedAddress fixed_block(block, sizeof(StreamCallbackRecord16));
        if (fixed_block)
            result = InitStream(instance, fixed_parameters ? &flat : nullptr, callback.get(), block,
                                &external);
        if (result == DV_ERR_OK && !external) {
            *fixed_block.As<StreamCallbackRecord16>() = NarrowCallbackRecord(*callback);
            // Both stay the stream's until DVM_STREAM_FINI hands them back.
            fixed_block.Keep();
            callback.release();
            return DV_ERR_OK;
        }
    }
    // Nothing of a stream that did not start, or of the external channel,
    // outlives the message: the block goes at once.
    WOWGlobalUnlockFree16(block);
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
    if (callback16) {
        WOWGetVDMPointerUnfix(callback16);
        WOWGlobalUnlockFree16(callback16);
    }
    delete callback;
}

void PublishHeader16(const VIDEOHDR* header) {
    const auto* held = reinterpret_cast<const Header16*>(header);
    CopyHeaderResults(held->header, *held->client);
}

LRESULT NotifyClient16(HDRVR linking_driver, UINT message, const StreamCallbackRecord& record) {
    // Each message carries its own copy of the record, as for a 32-bit
    // client, here in 16-bit memory that the 16-bit side can address.
    DWORD copy = WOWGlobalAllocLock16(GMEM_SHARE, sizeof(StreamCallbackRecord16), nullptr);
    if (!copy) return 0;
    LRESULT reply = 0;
    {
        FixedAddress fixed_copy(copy, sizeof(StreamCallbackRecord16));
        if (fixed_copy) {
            *fixed_copy.As<StreamCallbackRecord16>() = NarrowCallbackRecord(record);
            reply = SendDriverMessage(linking_driver, message, copy, KMXVFW_MAGIC);
        }
    }
    WOWGlobalUnlockFree16(copy);
    return reply;
}

}  // namespace kmx
