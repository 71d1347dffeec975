#include <windows.h>
#include <mmsystem.h>

#include <kmx512u/kmxvfw.h>

#include "capture/stream_engine.h"
#include "capture/vfw16_stream.h"

namespace kmx {
namespace {

// The linking driver's name, widened: room for 20 characters.
constexpr int kWideNameLength = 20;

}  // namespace

bool OpenLinkingDriver(StreamState& stream, const char* driver_name) {
    WCHAR name[kWideNameLength];
    if (!MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, driver_name, -1, name, kWideNameLength))
        return false;
    // A driver that does not open at once gets a second try.
    HDRVR driver = OpenDriver(name, nullptr, KMXVFW_MAGIC);
    if (!driver) driver = OpenDriver(name, nullptr, KMXVFW_MAGIC);
    if (!driver) return false;
    stream.linking_driver = driver;
    if (NotifyClient(stream, KMXVFW_STREAM_OPEN, 0) != 0) return true;
    CloseDriver(driver, 0, KMXVFW_MAGIC);
    stream.linking_driver = nullptr;
    return false;
}

void CloseLinkingDriver(StreamState& stream) {
    if (!stream.linking_driver) return;
    NotifyClient(stream, KMXVFW_STREAM_CLOSE, 0);
    CloseDriver(stream.linking_driver, 0, KMXVFW_MAGIC);
    stream.linking_driver = nullptr;
}

LRESULT NotifyClient(StreamState& stream, UINT message, DWORD_PTR parameter) {
    // Frames are delivered on the read service's thread, skipped frames
    // reported on the timer service's and returned buffers on the client's,
    // all at once: one shared parameter word would let a header address go
    // out with another thread's message. Each message carries its own copy
    // of the record, which the linking driver reads only while it handles
    // the message.
    StreamCallbackRecord record = *stream.callback;
    record.parameter = parameter;
    if (stream.callback16)
        return NotifyClient16(*stream.callback, stream.linking_driver, message, record);
    return SendDriverMessage(stream.linking_driver, message, reinterpret_cast<LPARAM>(&record),
                             KMXVFW_MAGIC);
}

}  // namespace kmx
