// The 32-bit linking driver, the installable driver that capture
// applications open (through an msvideo alias or by its module name). It
// passes every driver message on to the library's KMXVFW32_DriverProc
// unchanged, except that DRV_OPEN and DRV_CONFIGURE carry its driver link
// record: its name, under which the library opens it again for a stream's
// callbacks, and the camera identity it asks for.
//
// The identity comes from the configuration text of the alias that opened
// it ("kmxvfw32.dll 0x05120001 0x00010215": identity words 1 and 2); without
// one, any camera will do. It is kept per open driver handle, for that
// handle's DRV_CONFIGURE.
//
// The library's own opens for callbacks come with KMXVFW_MAGIC instead of
// open parameters: they are the driver's callback channel and never reach
// the library's channel operations. On it the four private messages, each
// with the stream's callback record, become the client's MM_DRVM_OPEN,
// MM_DRVM_CLOSE, MM_DRVM_DATA and MM_DRVM_ERROR, delivered as the client's
// VIDEO_STREAM_INIT_PARMS asked (function, event or window).
#include <windows.h>
#include <mmddk.h>

#include <kmx512u/kmxvfw.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "client_message.h"

namespace {

struct Identity {
    DWORD identity1 = 0;
    DWORD identity2 = 0;
};

// The callback channel's driver id: no id the library hands out (its ids
// are multiples of 4).
constexpr DWORD_PTR kCallbackChannel = KMXVFW_MAGIC;

std::mutex g_lock;
std::map<HDRVR, Identity> g_identities;

// "WORD1 WORD2" (decimal or 0x hexadecimal); both 0 for anything else.
Identity ParseIdentity(LPCWSTR configuration) {
    if (!configuration) return {};
    char text[128];
    if (!WideCharToMultiByte(CP_ACP, 0, configuration, -1, text, sizeof text, nullptr, nullptr))
        return {};
    char* end = nullptr;
    unsigned long first = strtoul(text, &end, 0);
    char* rest = end;
    unsigned long second = strtoul(rest, &end, 0);
    if (end == rest || *end != '\0' || first > 0xFFFFFFFFul || second > 0xFFFFFFFFul) return {};
    return {static_cast<DWORD>(first), static_cast<DWORD>(second)};
}

DriverLinkInfo LinkRecord(const Identity& identity) {
    return {0, identity.identity2, identity.identity1, KMXVFW32_LINKING_DRIVER,
            static_cast<DWORD>(strlen(KMXVFW32_LINKING_DRIVER))};
}

Identity IdentityOf(HDRVR driver) {
    std::lock_guard guard(g_lock);
    auto found = g_identities.find(driver);
    return found == g_identities.end() ? Identity{} : found->second;
}

LRESULT CallbackChannelMessage(UINT message, LPARAM lParam1, LPARAM lParam2) {
    if (message == DRV_CLOSE) return 1;
    UINT client_message = kmxlink::ClientMessage(message);
    if (!client_message || lParam2 != KMXVFW_MAGIC) return 0;
    // The stream is accepted, whatever way (if any) its client is told; the
    // other messages answer whether there was a client to tell.
    LRESULT answer = message == KMXVFW_STREAM_OPEN ? 1 : 0;
    if (!lParam1) return answer;
    const auto& record = *reinterpret_cast<const StreamCallbackRecord*>(lParam1);
    // The CALLBACK_ type sits in the high word of the client's flags.
    DriverCallback(record.callback, HIWORD(record.flags), reinterpret_cast<HDRVR>(record.video),
                   client_message, record.callback_instance, record.parameter, 0);
    return 1;
}

LRESULT Open(HDRVR driver, LPARAM configuration, LPARAM open_parameters) {
    Identity identity = ParseIdentity(reinterpret_cast<LPCWSTR>(configuration));
    DriverLinkInfo link = LinkRecord(identity);
    LRESULT instance =
        KMXVFW32_DriverProc(0, driver, DRV_OPEN, reinterpret_cast<LPARAM>(&link), open_parameters);
    if (instance != 0) {
        std::lock_guard guard(g_lock);
        g_identities[driver] = identity;
    }
    return instance;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) LRESULT CALLBACK
DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    switch (message) {
        case DRV_OPEN:
            return lParam2 == KMXVFW_MAGIC ? kCallbackChannel : Open(driver, lParam1, lParam2);
        case DRV_LOAD:
        case DRV_ENABLE:
        case DRV_DISABLE:
        case DRV_FREE:
            // The module's own messages, whichever instance they come with.
            return KMXVFW32_DriverProc(id, driver, message, lParam1, lParam2);
    }
    if (id == kCallbackChannel) return CallbackChannelMessage(message, lParam1, lParam2);
    switch (message) {
        case DRV_CONFIGURE: {
            DriverLinkInfo link = LinkRecord(IdentityOf(driver));
            return KMXVFW32_DriverProc(id, driver, message, reinterpret_cast<LPARAM>(&link),
                                       lParam2);
        }
        case DRV_CLOSE: {
            LRESULT closed = KMXVFW32_DriverProc(id, driver, message, lParam1, lParam2);
            std::lock_guard guard(g_lock);
            g_identities.erase(driver);
            return closed;
        }
        default:
            return KMXVFW32_DriverProc(id, driver, message, lParam1, lParam2);
    }
}
